#include "background.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace pairseekCli {

const char* const backgroundColourHelp =
    "#rrggbb, r,g,b (each 0..255), or white, black, grey (gray, #808080), green (#008000)";

namespace {

struct NamedColour {
    const char* name;
    int red, green, blue;
};

// CSS values, so that the names mean what they mean elsewhere.
constexpr NamedColour namedColours[] = {
    {"white", 255, 255, 255}, {"black", 0, 0, 0}, {"grey", 128, 128, 128}, {"gray", 128, 128, 128},
    {"green", 0, 128, 0}};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

int hexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : -1;
}

// 0..255 as written, or -1.
int byteValue(const std::string& text) {
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char ch) { return std::isdigit(ch); }))
        return -1;
    const int value = std::stoi(text);
    return value <= 255 ? value : -1;
}

std::array<double, 3> unit(int red, int green, int blue) {
    return {red / 255.0, green / 255.0, blue / 255.0};
}

std::optional<std::array<double, 3>> parseColour(const std::string& text) {
    const std::string name = lower(trimmed(text));
    for (const NamedColour& c : namedColours)
        if (name == c.name) return unit(c.red, c.green, c.blue);
    if (name.size() == 7 && name[0] == '#') {
        int bytes[3];
        for (int k = 0; k < 3; ++k) {
            const int high = hexDigit(name[1 + 2 * k]), low = hexDigit(name[2 + 2 * k]);
            if (high < 0 || low < 0) return std::nullopt;
            bytes[k] = high * 16 + low;
        }
        return unit(bytes[0], bytes[1], bytes[2]);
    }
    std::vector<int> parts;
    std::size_t start = 0;
    for (std::size_t comma; (comma = name.find(',', start)) != std::string::npos; start = comma + 1)
        parts.push_back(byteValue(trimmed(name.substr(start, comma - start))));
    parts.push_back(byteValue(trimmed(name.substr(start))));
    if (parts.size() == 3 && std::all_of(parts.begin(), parts.end(), [](int v) { return v >= 0; }))
        return unit(parts[0], parts[1], parts[2]);
    return std::nullopt;
}

bool hasImageExtension(const std::filesystem::path& path) {
    const std::string extension = lower(path.extension().string());
    return extension == ".png" || extension == ".jpg" || extension == ".jpeg";
}

}  // namespace

Background parseBackground(const std::string& text) {
    if (const auto colour = parseColour(text)) return {colour, std::nullopt};
    std::error_code ec;
    if (std::filesystem::exists(text, ec)) return {std::nullopt, std::filesystem::path(text)};
    const std::string expected = std::string("; expected a colour (") + backgroundColourHelp + ") or an image file";
    // Meant as a colour: "no such file" would be the wrong complaint.
    if (text.empty() || text[0] == '#' || text.find(',') != std::string::npos)
        throw std::invalid_argument("--background " + text + ": not a colour" + expected);
    if (!hasImageExtension(text))
        throw std::invalid_argument("--background " + text + ": neither a colour name nor a file" + expected);
    return {std::nullopt, std::filesystem::path(text)};   // missing: reading it says so, naming it
}

}  // namespace pairseekCli
