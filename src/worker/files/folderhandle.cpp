// SPDX-License-Identifier: MIT
// What both platforms' folder handles share; the rest lives in folderhandle_unix.cpp and
// folderhandle_win.cpp.
#include "files/folderhandle.h"

#include <utility>

FolderHandle::~FolderHandle()
{
    close();
}

FolderHandle::FolderHandle(FolderHandle &&other) noexcept
    : handle(std::exchange(other.handle, -1)),
      isNotFolder(other.isNotFolder),
      error(std::move(other.error)),
      id(other.id)
{ }

FolderHandle &FolderHandle::operator=(FolderHandle &&other) noexcept
{
    if (this != &other) {
        close();
        handle = std::exchange(other.handle, -1);
        isNotFolder = other.isNotFolder;
        error = std::move(other.error);
        id = other.id;
    }
    return *this;
}
