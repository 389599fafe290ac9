// Parameters, message boxes and exit on SDL2.
#include "PlatformProcess.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>

static std::vector<std::string> Params;

void PlatSetParams(int argc, char** argv) {
    Params.clear();
    for (int i = 1; i < argc; i++) Params.push_back(argv[i]);
}

int PlatParamCount() {
    return static_cast<int>(Params.size());
}

std::string PlatParam(int i) {
    if (i < 0 || i >= PlatParamCount()) return "";
    return Params[static_cast<size_t>(i)];
}

std::vector<std::string> PlatSplitParams(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0, n = text.size();
    while (i < n) {
        while (i < n && text[i] == ' ') i++;
        if (i >= n) break;
        std::string word;
        if (text[i] == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string::npos) close = n;
            word = text.substr(i + 1, close - i - 1);
            i = close < n ? close + 1 : n;
        } else {
            size_t end = text.find(' ', i);
            if (end == std::string::npos) end = n;
            word = text.substr(i, end - i);
            i = end;
        }
        words.push_back(word);
    }
    return words;
}

void PlatMessageBox(const std::string& title, const std::string& text) {
    if (SDL_ShowSimpleMessageBox(0, title.c_str(), text.c_str(), nullptr) == 0) return;
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
}

void PlatExit(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}
