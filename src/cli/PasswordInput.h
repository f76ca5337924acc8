#pragma once

#include <memory>
#include <ostream>
#include <string_view>

#include "cli/SecretText.h"

// Where the passwords a command needs come from: the terminal with echo off, or one line of
// standard input each (--password-stdin). Passwords never come from the arguments.
class TPasswordInput {
public:
    virtual ~TPasswordInput() = default;
    // Reads one password, as typed (UTF-8), into secret. prompt is shown where a person types;
    // what names the password in a message when none comes ("master password"). Throws
    // ECliError when there is no password to read.
    virtual void Read(std::string_view prompt, std::string_view what, TSecretText& secret) = 0;
};

// Reads from /dev/tty, or from standard input when that is a terminal, with echo off; the
// prompts go to prompts (standard error).
std::unique_ptr<TPasswordInput> MakeTerminalPasswordInput(std::ostream& prompts);

// Reads one line from fd for each password, without prompts; the trailing "\n" and a "\r"
// before it are dropped. Reads byte by byte so that nothing after the line is consumed.
std::unique_ptr<TPasswordInput> MakeStreamPasswordInput(int fd);
