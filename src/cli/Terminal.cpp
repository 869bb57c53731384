#include "cli/Terminal.h"

#include <iostream>
#include <string>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace orvex::cli::terminal {

namespace {
std::string readLine()
{
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}
} // namespace

#ifdef Q_OS_WIN

bool stdinIsTerminal()
{
    return _isatty(_fileno(stdin)) != 0;
}

bool stderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

QString readHiddenLine()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    const bool canHide = GetConsoleMode(input, &saved) != 0;
    if (canHide)
        SetConsoleMode(input, saved & ~DWORD(ENABLE_ECHO_INPUT));
    const std::string line = readLine();
    if (canHide)
        SetConsoleMode(input, saved);
    return QString::fromStdString(line);
}

#else

bool stdinIsTerminal()
{
    return isatty(STDIN_FILENO) != 0;
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

QString readHiddenLine()
{
    termios saved{};
    const bool canHide = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (canHide) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const std::string line = readLine();
    if (canHide)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    return QString::fromStdString(line);
}

#endif

} // namespace orvex::cli::terminal
