// SPDX-License-Identifier: MIT
#include "generate_document.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/ovrin_doc.h"
#include "core/text/text_form.h"

namespace {

// A small fixed generator so documents are the same on every platform
// (std:: distributions are not).
struct SplitMix {
    std::uint64_t state;
    std::uint64_t Next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
};

const char* const kWords[] = {
    "Rechnung", "Versicherung", "Arzt", "Steuer", "Auto", "Wohnung", "Miete", "Bank",
    "Konto", "Garten", "Urlaub", "Reise", "Geburtstag", "Telefon", "Schule", "Vertrag",
    "M\xFC" "nchen", "K\xF6ln", "Z\xFCrich", "Caf\xE9", "Gr\xFC\xDF" "e", "\xC4rger",
    "\xD6l", "\xDC" "bung", "Stra\xDF" "e", "Preis", "Kosten", "Termin", "Plan",
    "Projekt", "Familie", "Freunde", "Kinder", "Haus", "Heizung", "Strom", "Wasser",
    "Garantie", "Quittung", "Brief", "Amt", "Pass", "Zahnarzt", "B\xFC" "cher", "Musik",
    "Sport", "Verein", "Spende", "Notiz", "Idee", "Rezept", "K\xFC" "che", "Fahrrad",
    "invoice", "insurance", "meeting", "travel", "plan", "budget", "recipe", "letter",
};
constexpr int kWordCount = static_cast<int>(sizeof kWords / sizeof kWords[0]);

std::string Sentence(SplitMix& rng)
{
    std::string s;
    const int words = 4 + rng.Below(9);
    for (int w = 0; w < words; ++w) {
        if (w) s.push_back(' ');
        std::string word = kWords[rng.Below(kWordCount)];
        if (w) word[0] = static_cast<char>(word[0] | (word[0] >= 'A' && word[0] <= 'Z' ? 0x20 : 0));
        s += word;
        if (rng.Below(12) == 0) s += " " + std::to_string(rng.Below(1000)) + ",00 \x80";
    }
    s.push_back('.');
    return s;
}

// Words beyond Windows-1252.
const char* const kOtherScriptWords[] = {
    "Za\u017C\u00F3\u0142\u0107", "g\u0119\u015Bl\u0105", "ja\u017A\u0144", "\u0141\u00F3d\u017A",
    "Krak\u00F3w", "\u017Ar\u00F3d\u0142o", "\u03A3\u03AF\u03C3\u03C5\u03C6\u03BF\u03C2",
    "\u0391\u03B8\u03AE\u03BD\u03B1", "\u03BB\u03CC\u03B3\u03BF\u03C2", "\u03A3\u039F\u03A6\u0399\u0391",
    "\u041C\u043E\u0441\u043A\u0432\u0430", "\u043F\u0440\u0438\u0432\u0435\u0442",
    "\u0416\u0438\u0437\u043D\u044C", "\u043A\u043D\u0438\u0433\u0430", "\u5317\u4EAC",
    "\u4E2D\u6587", "\u7535\u8BDD", "\u670B\u53CB", "\U0001F600", "\U0001F6B2", "\u2714", "\u2192",
    "e\u0301te\u0301", "n\u0303o", "A\u030Agot",
};
constexpr int kOtherScriptWordCount = static_cast<int>(sizeof kOtherScriptWords / sizeof kOtherScriptWords[0]);

// `text` with about a third of its words (those not touching a line break)
// in other scripts, at least one.
std::string MixScripts(SplitMix& rng, std::string_view text)
{
    const std::string_view utf8 = text;
    std::string mixed;
    bool any = false;
    const int forced = rng.Below(4);
    int word = 0;
    for (std::size_t at = 0; at <= utf8.size(); ++word) {
        const std::size_t end = std::min(utf8.find(' ', at), utf8.size());
        const std::string_view token(utf8.data() + at, end - at);
        const bool replace = token.find_first_of("\r\n") == std::string_view::npos &&
                             (rng.Below(3) == 0 || (!any && word >= forced));
        if (at > 0) mixed += ' ';
        mixed += replace ? std::string_view(kOtherScriptWords[rng.Below(kOtherScriptWordCount)]) : token;
        any = any || replace;
        at = end + 1;
    }
    if (!any) mixed += std::string(" ") + kOtherScriptWords[rng.Below(kOtherScriptWordCount)];
    return *TextFromUtf8(mixed);
}

}  // namespace

void GenerateDocument(COvrinDoc& doc, int count, std::uint64_t seed, int mixedPercent)
{
    SplitMix rng{seed};
    // A generator of its own, so the entries that stay Windows-1252 are the
    // same as without mixing.
    SplitMix mixing{seed ^ 0xA5A5A5A5A5A5A5A5ull};
    std::vector<std::string> keys(count), descriptions(count), dates(count);
    for (int i = 0; i < count; ++i) {
        const int words = 2 + rng.Below(3);
        for (int w = 0; w < words; ++w) {
            if (w) keys[i].push_back(' ');
            keys[i] += kWords[rng.Below(kWordCount)];
        }
        const int lines = 1 + rng.Below(6);
        for (int l = 0; l < lines; ++l) {
            if (l) descriptions[i] += "\r\n";
            descriptions[i] += Sentence(rng);
        }
        keys[i] = TextFromCp1252(keys[i]);
        descriptions[i] = TextFromCp1252(descriptions[i]);
        dates[i] = std::to_string(1 + rng.Below(28)) + "." + std::to_string(1 + rng.Below(12)) +
                   "." + std::to_string(1990 + rng.Below(37));
        if (mixedPercent > 0 && mixing.Below(100) < mixedPercent) {
            keys[i] = MixScripts(mixing, keys[i]);
            descriptions[i] = MixScripts(mixing, descriptions[i]);
        }
    }
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return CompareKeyWords(keys[a], keys[b]) < 0; });
    std::vector<std::string> k, d, t;
    k.reserve(count), d.reserve(count), t.reserve(count);
    for (int i : order) {
        k.push_back(std::move(keys[i]));
        d.push_back(std::move(descriptions[i]));
        t.push_back(std::move(dates[i]));
    }
    doc.ReplaceTable(EntryTable{std::move(k), std::move(d), std::move(t)});
}

namespace {

// Words and blanks up to exactly `bytes` bytes, beginning with `first`.
std::string WordsOf(SplitMix& rng, std::size_t bytes, const std::string& first)
{
    std::string s = first;
    s.reserve(bytes + 32);
    while (s.size() < bytes) {
        s.push_back(' ');
        s += kWords[rng.Below(kWordCount)];
    }
    s.resize(bytes);
    return s;
}

}  // namespace

void AddHugeFields(COvrinDoc& doc, const HugeFields& fields, std::uint64_t seed)
{
    if (doc.Count() <= 0)
        return;
    SplitMix rng{seed ^ 0x5DEECE66Dull};
    std::string keyWords(doc.KeyWords()[0]);
    std::string description(doc.Descriptions()[0]);
    std::string date(doc.Dates()[0]);
    if (fields.descriptionBytes > 0)
        description = TextFromCp1252(WordsOf(rng, fields.descriptionBytes, "Anfang"));
    if (fields.descriptionLines > 0) {
        std::string d;
        d.reserve(fields.descriptionLines * 14);
        for (std::size_t l = 0; l < fields.descriptionLines; ++l) {
            if (l) d += "\r\n";
            d += "Zeile " + std::to_string(l + 1);
        }
        description = std::move(d);
    }
    if (fields.dateBytes > 0) {
        std::string t;
        t.reserve(fields.dateBytes + 16);
        while (t.size() < fields.dateBytes)
            t += std::to_string(1 + rng.Below(28)) + "." + std::to_string(1 + rng.Below(12)) + "." +
                 std::to_string(1990 + rng.Below(37)) + " ";
        t.resize(fields.dateBytes);
        date = std::move(t);
    }
    // "Aachen" sorts before every generated key word, so the entry stays first.
    if (fields.keyWordBytes > 0)
        keyWords = TextFromCp1252(WordsOf(rng, fields.keyWordBytes, "Aachen"));
    doc.RewriteEntry(0, 0, {keyWords, description, date});
}
