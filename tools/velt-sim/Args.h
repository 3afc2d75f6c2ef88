#pragma once
// Argument helpers shared by the simulator's two modes.
#include <string>
#include <vector>

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
