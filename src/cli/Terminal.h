#pragma once

#include <QString>

// The few terminal facts the command line needs, for POSIX and Windows alike.
namespace orvex::cli::terminal {

bool stdinIsTerminal();
bool stderrIsTerminal();

// Reads one line from standard input with the echo off when it is a terminal.
QString readHiddenLine();

} // namespace orvex::cli::terminal
