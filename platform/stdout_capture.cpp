// Capture of the program's standard output for tests: printed lines are kept in a file.

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/test_hooks.h"

namespace {
int g_saved_stdout = -1;  // the real standard output while captured
std::FILE* g_capture = nullptr;
}  // namespace

void hooks_capture_stdout(bool on) {
    std::fflush(stdout);
    if (on && !g_capture) {
        g_capture = std::tmpfile();
        if (!g_capture) return;
        g_saved_stdout = dup(STDOUT_FILENO);
        dup2(fileno(g_capture), STDOUT_FILENO);
    } else if (!on && g_capture) {
        dup2(g_saved_stdout, STDOUT_FILENO);
        close(g_saved_stdout);
        std::fclose(g_capture);
        g_capture = nullptr;
    }
}

std::vector<std::string> hooks_stdout_lines() {
    std::vector<std::string> lines;
    if (!g_capture) return lines;
    std::fflush(stdout);
    std::rewind(g_capture);
    std::string line;
    for (int c; (c = std::fgetc(g_capture)) != EOF;) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(char(c));
        }
    }
    std::fseek(g_capture, 0, SEEK_END);
    return lines;
}
