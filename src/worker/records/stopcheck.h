// SPDX-License-Identifier: MIT
#ifndef STOPCHECK_H
#define STOPCHECK_H

#include <functional>

// Answers whether the user has asked the run to stop; asked often, so it must be cheap.
using StopCheck = std::function<bool()>;

// How long a run may take to notice a stop while it waits for anything.
constexpr int stopCheckIntervalMs = 100;

#endif // STOPCHECK_H
