#include <iostream>
#include <string>
#include <vector>

#include "cli/CofferixCli.h"
#include "vault/ProcessMemory.h"

int main(int argc, char** argv) {
    KeepProcessMemoryPrivate();
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    TCliStreams streams{std::cout, std::cerr, 0};
    return RunCli(args, streams);
}
