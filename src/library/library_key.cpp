#include "library/library_key.h"

#include <climits>

#include "library/album_doc.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::library {

namespace {

// Substring that is empty, not an error, past the end.
std::string_view sub(std::string_view s, std::size_t pos, std::size_t len = std::string_view::npos) {
    return pos <= s.size() ? s.substr(pos, len) : std::string_view{};
}

bool hasUnderscore(std::string_view key) { return key.find('_') != std::string_view::npos; }

// Leading decimal digits as a number, as atoi reads them (no digits: 0).
long leadingNumber(std::string_view s) {
    long n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        if (n > (LONG_MAX - 9) / 10) return LONG_MAX / 2;  // far beyond any real suffix
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

std::string_view centuryOf(std::string_view yy) { return sub(yy, 0, 2) >= "95" ? "19" : "20"; }

std::string keyToText(std::string_view key) {
    std::string out;
    if (key.size() == 12 && !hasUnderscore(key)) {
        out.append(centuryOf(key)).append(sub(key, 0, 2)).append("/").append(sub(key, 2, 2));
        out.append("/").append(sub(key, 4, 2)).append(" ").append(sub(key, 6, 2));
        out.append(":").append(sub(key, 8, 2));
        return out;
    }
    if (key.size() == 6) {
        out.append(centuryOf(key)).append(sub(key, 0, 2)).append("/").append(sub(key, 2, 2));
        out.append("/").append(sub(key, 4, 2));
        return out;
    }
    out.append(sub(key, 0, 4)).append("/").append(sub(key, 4, 2));
    const std::size_t underscore = key.find('_');
    if (underscore == std::string_view::npos) return out.append("/").append(sub(key, 6, 2));
    if (underscore < 2 || key.substr(underscore - 2, 2) != "00") out.append("/").append(sub(key, 6, 2));
    return out.append(" ").append(key.substr(underscore));
}

std::string keyMonth(std::string_view key) {
    std::string month;
    const std::size_t lastUnderscore = key.rfind('_');
    if ((key.size() == 12 || key.size() == 6) && lastUnderscore == std::string_view::npos) {
        const std::string_view yymm = sub(key, 0, 4);
        month.append(yymm > "9500" ? "19" : "20").append(yymm);
    } else if (lastUnderscore != std::string_view::npos) {
        const std::string_view date = key.substr(0, lastUnderscore);
        month.assign(date.substr(0, date.size() >= 2 ? date.size() - 2 : 0));
    } else {
        month.assign(key);
    }
    if (month.size() == 8) month.resize(6);
    return month;
}

bool isSubfolderKey(std::string_view key) {
    return hasUnderscore(key) ? key.size() != 6 : key.size() == 12;
}

std::string uniqueKey(std::string_view base, const CKDCardAlbumDoc& doc) {
    long largest = 0;
    for (const auto& album : doc.albums()) {
        const std::string_view key = album->key();
        const std::size_t underscore = key.rfind('_');
        if (underscore == std::string_view::npos) continue;
        if (!platform::equalNoCase(key.substr(0, underscore), base)) continue;
        const long n = leadingNumber(key.substr(underscore + 1));
        if (n > largest) largest = n;
    }
    return std::string(base) + "_" + std::to_string(largest > 0 ? largest + 1 : 1);
}

}  // namespace lumbrel::library
