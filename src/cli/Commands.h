#pragma once

#include "cli/CliSession.h"

// The commands of cofferix-cli. Each answers the exit status of its success and throws on
// failure (ECliError, or the core's ECofferixError).

int RunCreate(TCliSession& session);
int RunCheck(TCliSession& session);
int RunPasswd(TCliSession& session);
int RunExport(TCliSession& session);
int RunBackup(TCliSession& session);
int RunInfo(TCliSession& session);
int RunConvert(TCliSession& session);
int RunImport(TCliSession& session);
int RunMerge(TCliSession& session);

int RunList(TCliSession& session);
int RunShow(TCliSession& session);
int RunAdd(TCliSession& session);
int RunEdit(TCliSession& session);
int RunRemove(TCliSession& session);

int RunGenerate(TCliSession& session);
int RunHealth(TCliSession& session);
