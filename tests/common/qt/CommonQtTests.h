#pragma once

class TTestEnvironment;

// The temporary environment the whole program runs in (set up before the application).
TTestEnvironment& Environment();

// One runner per test class; each answers the number of failed tests.
int RunTextCodecTests(int argc, char** argv);
int RunServicesTests(int argc, char** argv);
int RunDesktopServicesTests(int argc, char** argv);
int RunSettingsTests(int argc, char** argv);
int RunErrorHandlerTests(int argc, char** argv);
int RunSingleInstanceTests(int argc, char** argv);

// The helper process of the single-instance tests: takes the lock in the folder given after
// --hold-lock, says "locked" and waits until it is killed.
inline constexpr const char* kHoldLockSwitch = "--hold-lock";
int RunLockHolder(const char* serverName, const char* lockFolder);
