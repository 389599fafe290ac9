// Parsing of the replay tool's options, keys files and draws files.
#include "ReplayInput.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr int32_t MaxScanCode = 255;
constexpr int64_t MaxFrames = int64_t{1} << 40;
constexpr int32_t MaxInnerSide = 16384;

const struct {
    const char* name;
    int32_t code;
} KeyNames[] = {
    {"shift", 42}, {"space", 57}, {"a", 30},      {"d", 32},     {"s", 31},    {"tab", 15},
    {"up", 200},   {"left", 203}, {"right", 205}, {"down", 208}, {"j", 36},    {"l", 38},
    {"escape", 1}, {"f1", 0x3B},  {"f2", 0x3C},   {"f4", 0x3E},  {"f6", 0x40}, {"f7", 0x41},
    {"f9", 0x43},  {"f12", 0x58}, {"1", 0x02},    {"2", 0x03},   {"3", 0x04},  {"4", 0x05},
    {"5", 0x06},   {"6", 0x07},   {"7", 0x08},    {"8", 0x09},   {"9", 0x0A},  {"0", 0x0B},
};

// The whole text as a non-negative integer (decimal, or hex after "0x"); false
// for anything else or a value above `max`.
bool ParseInt(const std::string& text, int64_t max, int64_t* value) {
    int base = 10;
    size_t start = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        start = 2;
    }
    if (start >= text.size()) return false;
    uint64_t v = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, v, base);
    if (ec != std::errc() || end != last || v > static_cast<uint64_t>(max)) return false;
    *value = static_cast<int64_t>(v);
    return true;
}

// The text in lower case (ASCII).
std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The value after an option, or false when the command line ends.
bool TakeValue(const std::vector<std::string>& args, size_t* i, std::string* value,
               std::string* error) {
    if (*i + 1 >= args.size()) {
        *error = "option " + args[*i] + " needs a value";
        return false;
    }
    *value = args[++*i];
    return true;
}

// The path made absolute against the current folder; unchanged on failure.
std::string Absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? path : p.string();
}

} // namespace

int32_t ReplayKeyCode(const std::string& text) {
    const std::string name = Lower(text);
    // Digits name the digit keys; longer numbers are scan codes.
    for (const auto& k : KeyNames)
        if (name == k.name) return k.code;
    int64_t v = 0;
    if (ParseInt(name, MaxScanCode, &v) && v > 0) return static_cast<int32_t>(v);
    return -1;
}

bool ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions* options,
                        std::string* error) {
    ReplayOptions o;
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            o.params.push_back(a);
            continue;
        }
        std::string v;
        if (a != "--frames" && a != "--keys" && a != "--draws" && a != "--seed" && a != "--trace" &&
            a != "--size" && a != "--shot") {
            *error = "unknown option " + a;
            return false;
        }
        if (!TakeValue(args, &i, &v, error)) return false;
        if (a == "--frames") {
            if (!ParseInt(v, MaxFrames, &o.frames)) {
                *error = "--frames needs a whole number of frames, not \"" + v + "\"";
                return false;
            }
        } else if (a == "--keys") {
            o.keysPath = Absolute(v);
        } else if (a == "--draws") {
            o.drawsPath = Absolute(v);
        } else if (a == "--seed") {
            int64_t s = 0;
            if (!ParseInt(v, INT64_MAX, &s)) {
                *error = "--seed needs a non-negative whole number, not \"" + v + "\"";
                return false;
            }
            o.seed = static_cast<uint64_t>(s);
            o.seedGiven = true;
        } else if (a == "--trace") {
            o.tracePath = v == "-" ? v : Absolute(v);
        } else if (a == "--size") {
            const size_t x = Lower(v).find('x');
            int64_t w = 0, h = 0;
            if (x == std::string::npos || !ParseInt(v.substr(0, x), MaxInnerSide, &w) ||
                !ParseInt(v.substr(x + 1), MaxInnerSide, &h) || w < 1 || h < 1) {
                *error = "--size needs WIDTHxHEIGHT from 1 to 16384, not \"" + v + "\"";
                return false;
            }
            o.width = static_cast<int32_t>(w);
            o.height = static_cast<int32_t>(h);
        } else {
            const size_t colon = v.find(':');
            int64_t f = 0;
            if (colon == std::string::npos || colon + 1 >= v.size() ||
                !ParseInt(v.substr(0, colon), MaxFrames, &f) || f < 1) {
                *error = "--shot needs FRAME:FILE.png with FRAME from 1, not \"" + v + "\"";
                return false;
            }
            o.shots.push_back({f, Absolute(v.substr(colon + 1))});
        }
    }
    if (o.frames < 0) {
        *error = "--frames N is required";
        return false;
    }
    if (!o.drawsPath.empty() && o.seedGiven) {
        *error = "--draws and --seed exclude each other";
        return false;
    }
    for (const ReplayShot& s : o.shots) {
        if (s.frame > o.frames) {
            *error = "--shot frame " + std::to_string(s.frame) + " is after the last frame " +
                     std::to_string(o.frames);
            return false;
        }
    }
    *options = std::move(o);
    return true;
}

bool ReadReplayKeys(const std::string& path, std::vector<ReplayAction>* actions,
                    std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read";
        return false;
    }
    std::vector<ReplayAction> list;
    std::string line;
    for (int64_t number = 1; std::getline(in, line); number++) {
        const std::string where = path + ":" + std::to_string(number) + ": ";
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty() || w[0][0] == '#') continue;
        ReplayAction act;
        if (w.size() != 3 || !ParseInt(w[0], MaxFrames, &act.frame) || act.frame < 1) {
            *error = where + "expected \"FRAME KEY down|up\" or \"FRAME menu N\" with FRAME from 1";
            return false;
        }
        const std::string key = Lower(w[1]);
        const std::string state = Lower(w[2]);
        if (key == "menu") {
            int64_t command = 0;
            if (!ParseInt(state, INT32_MAX, &command)) {
                *error = where + "bad menu command \"" + w[2] + "\"";
                return false;
            }
            act.menu = true;
            act.code = static_cast<int32_t>(command);
        } else {
            act.code = ReplayKeyCode(key);
            if (act.code < 0) {
                *error = where + "unknown key \"" + w[1] + "\"";
                return false;
            }
            if (state != "down" && state != "up") {
                *error = where + "expected down or up, not \"" + w[2] + "\"";
                return false;
            }
            act.down = state == "down";
        }
        list.push_back(act);
    }
    if (in.bad()) {
        *error = path + ": read error";
        return false;
    }
    std::stable_sort(list.begin(), list.end(), [](const ReplayAction& x, const ReplayAction& y) {
        return x.frame < y.frame;
    });
    *actions = std::move(list);
    return true;
}

bool ReadReplayDraws(const std::string& path, std::vector<int32_t>* draws, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read";
        return false;
    }
    std::vector<int32_t> list;
    std::string line;
    for (int64_t number = 1; std::getline(in, line); number++) {
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            int64_t v = 0;
            if (word.size() > 2 || !ParseInt(word, 3, &v)) {
                *error = path + ":" + std::to_string(number) + ": draw \"" + word +
                         "\" is not an integer from 0 to 3";
                return false;
            }
            list.push_back(static_cast<int32_t>(v));
        }
    }
    if (list.empty()) {
        *error = path + ": holds no draws";
        return false;
    }
    *draws = std::move(list);
    return true;
}
