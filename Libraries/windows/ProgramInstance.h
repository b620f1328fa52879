#pragma once

#include <string>
#include <string_view>

class InstanceLock;

// The single-instance rule: one copy of the program runs, and later starts reach it.

// Takes the instance lock for instanceName. True when another running instance holds it; a lock
// that cannot be taken counts as none.
bool IsAnotherInstanceRunning(std::string_view instanceName);
// Once the application object exists: tells the user when IsAnotherInstanceRunning could not make
// sure that only one copy runs, or could not open the socket through which later starts reach it.
void WarnIfInstanceLockFailed();
// The word of kInstanceCommands (see InstanceLock.h) that the first parameter names, letter case
// ignored; empty when it names none or the program runs as the installer.
std::string CommandForRunningInstance();
// Hands command to the running instance without taking the lock, so that it never keeps a copy
// that is just starting from running. When none runs, tells the user on standard error, since a
// desktop's shortcut has no window to show it in; false then.
bool PassCommandToRunningInstance(const std::string& command);
// Asks the instance that holds the lock to show its window (it does so only when it has no tray
// icon through which the user could reach it).
void AskRunningInstanceToShow();
// The lock taken by IsAnotherInstanceRunning, null before; its socket lets later starts reach this
// instance once the application object exists.
InstanceLock* HeldInstanceLock();
void ReleaseInstanceMutex();
