#pragma once

// Keeps the process's memory, which holds the master password and the open vault's records,
// from other processes of the same user and from core files: the process is made
// non-dumpable (no ptrace attach, no gcore, /proc/<pid>/mem closed to the user) and core
// dumps are switched off. Called first thing by both programs. Answers false when the system
// refused either step; the program goes on, since refusing to start would protect nothing.
bool KeepProcessMemoryPrivate();
