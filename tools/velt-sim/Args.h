#pragma once
// Argument helpers shared by the simulator's two modes: a bad argument ends the program with status 2 and a
// line that names the file whose head lists the mode's options.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The file named in complaints; each mode sets its own before it parses.
inline const char*& UsageSource()
{
    static const char* source = "tools/velt-sim/main.cpp";
    return source;
}

[[noreturn]] inline void usage(const std::string& why)
{
    std::fprintf(stderr, "velt-sim: %s (see the head of %s)\n", why.c_str(), UsageSource());
    std::exit(2);
}

// The whole text as a number from lo to hi, without the C locale; anything else is a bad argument.
inline long long toNumber(const std::string& text, const char* what, long long lo, long long hi, int base = 10)
{
    long long v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < lo || v > hi)
        usage(std::string("bad ") + what + ": " + text);
    return v;
}

inline double toReal(const std::string& text, const char* what)
{
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size())
        usage(std::string("bad ") + what + ": " + text);
    return v;
}

// A mode's command line, option by option: Next gives the option, Value the word after it.
class ArgWalk {
public:
    ArgWalk(int argc, char** argv, int first) : argc_(argc), argv_(argv), i_(first - 1) {}
    bool Next(std::string& option)
    {
        if (++i_ >= argc_)
            return false;
        option_ = option = argv_[i_];
        return true;
    }
    // A missing value ends the program.
    std::string Value()
    {
        if (i_ + 1 >= argc_)
            usage("missing value of " + option_);
        return argv_[++i_];
    }

private:
    int argc_;
    char** argv_;
    int i_;
    std::string option_;
};

// "a,b,,c" split at sep into {"a", "b", "", "c"}.
inline std::vector<std::string> split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t p = text.find(sep, start);
        parts.push_back(text.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos)
            return parts;
        start = p + 1;
    }
}
