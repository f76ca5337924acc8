#pragma once

// Each runs one group of tests and returns QTest's result (0 when all passed).
int RunSimpleTimerTests(int argc, char** argv);
int RunTrayClickTests(int argc, char** argv);
int RunTrayIconTests(int argc, char** argv);
