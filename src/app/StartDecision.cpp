#include "app/StartDecision.h"

#include "common/SingleInstance.h"

TStartDecision DecideStart(TSingleInstance& instance, bool autorun) {
    if (TSingleInstance::NotifyRunningInstance(instance.ServerName(), autorun)) {
        return TStartDecision::EndNow;
    }
    if (!instance.AcquireLock()) {
        return TStartDecision::EndNow;
    }
    return TStartDecision::Run;
}
