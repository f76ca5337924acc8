#include "app/StartDecision.h"

#include "common/SingleInstance.h"

TStartDecision DecideStart(TSingleInstance& instance, bool autorun, const QString& vaultPath) {
    if (TSingleInstance::NotifyRunningInstance(instance.ServerName(), autorun, vaultPath)) {
        return TStartDecision::EndNow;
    }
    if (!instance.AcquireLock()) {
        return TStartDecision::EndNow;
    }
    return TStartDecision::Run;
}
