#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# A FUSE file system that passes everything through to a folder, as network and FUSE file
# systems do: it refuses the no-replace rename (EINVAL) and gives its own inode numbers, so a
# file linked anew under another name is another file.
#   passthroughfs.py FOLDER MOUNTPOINT    (runs in the foreground until unmounted)
import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations

RENAME_NOREPLACE = 1


class Passthrough(Operations):
    def __init__(self, root):
        self.root = root

    def _full(self, path):
        return os.path.join(self.root, path.lstrip('/'))

    def getattr(self, path, fh=None):
        st = os.lstat(self._full(path))
        return {key: getattr(st, key) for key in ('st_atime', 'st_ctime', 'st_gid', 'st_mode',
                                                   'st_mtime', 'st_nlink', 'st_size', 'st_uid')}

    def readdir(self, path, fh):
        return ['.', '..'] + os.listdir(self._full(path))

    def readlink(self, path):
        return os.readlink(self._full(path))

    def mkdir(self, path, mode):
        os.mkdir(self._full(path), mode)

    def rmdir(self, path):
        os.rmdir(self._full(path))

    def unlink(self, path):
        os.unlink(self._full(path))

    def symlink(self, target, source):
        os.symlink(source, self._full(target))

    def link(self, target, source):
        os.link(self._full(source), self._full(target))

    def rename(self, old, new):
        os.rename(self._full(old), self._full(new))

    def chmod(self, path, mode):
        os.chmod(self._full(path), mode)

    def chown(self, path, uid, gid):
        os.chown(self._full(path), uid, gid)

    def utimens(self, path, times=None):
        os.utime(self._full(path), times)

    def truncate(self, path, length, fh=None):
        os.truncate(self._full(path), length)

    def open(self, path, flags):
        return os.open(self._full(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self._full(path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        return os.pwrite(fh, data, offset)

    def flush(self, path, fh):
        return 0

    def fsync(self, path, datasync, fh):
        os.fsync(fh)
        return 0

    def fsyncdir(self, path, datasync, fh):
        return 0

    def release(self, path, fh):
        os.close(fh)
        return 0

    def statfs(self, path):
        st = os.statvfs(self._full(path))
        return {key: getattr(st, key) for key in ('f_bavail', 'f_bfree', 'f_blocks', 'f_bsize',
                                                   'f_favail', 'f_ffree', 'f_files', 'f_flag',
                                                   'f_frsize', 'f_namemax')}


if __name__ == '__main__':
    FUSE(Passthrough(sys.argv[1]), sys.argv[2], foreground=True, nothreads=True)
