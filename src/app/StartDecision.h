#pragma once

#include <QString>

class TSingleInstance;

// What a new process does before it sets up its application: end at once, or run.
enum class TStartDecision { EndNow, Run };

// A running instance that answers is told to come forward, or with a vault path to offer the
// switch to that vault (neither for an automatic start, which never disturbs it), and this
// process ends; an instance still in its start-up dialogs holds the lock, and this process
// ends silently. Otherwise the lock is now ours.
TStartDecision DecideStart(TSingleInstance& instance, bool autorun,
                           const QString& vaultPath = QString());
