#include "model/element_names.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace kivo {

namespace {

std::string_view Field(const char* text, std::size_t size) {
    return {text, strnlen(text, size)};
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The first live element of any table whose name, as `nameOf` gives it, is `typed`.
template <class NameOf> NamedElement Search(const NetworkStore& s, std::string_view typed, NameOf nameOf) {
    auto match = [&](const COMMON& e, int kind, int slot) -> NamedElement {
        if (!(e.flags & ELEM_INUSE)) return {};
        const std::string name = nameOf(e, kind);
        if (name.empty() || !SameIgnoringCase(name, typed)) return {};
        return {kind, slot, 0};
    };
    for (int i = 0; i < s.nMaxTheos; ++i)
        if (const NamedElement n = match(s.theoList[i], SEL_THEO, i); n.found()) return n;
    for (int i = 0; i < s.nMaxPoints; ++i)
        if (const NamedElement n = match(s.pointList[i], SEL_POINT, i); n.found()) return n;
    for (int i = 0; i < s.nMaxSBars; ++i)
        if (const NamedElement n = match(s.sbarList[i], SEL_SBAR, i); n.found()) return n;
    return {};
}

std::string FormName(const COMMON& e, int) {
    return std::string(Field(e.name, sizeof e.name));
}

std::string Label(const COMMON& e, int) {
    return std::string(Field(e.abbrev, sizeof e.abbrev));
}

} // namespace

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string StationEngineName(const THEODOLITE& t) {
    char s[32];
    std::snprintf(s, sizeof s, "%1d_%1d", int(t.pos), int(t.theo));
    return s;
}

std::string ShownName(const COMMON& e) {
    std::string text(Field(e.name, sizeof e.name));
    const std::string_view label = Field(e.abbrev, sizeof e.abbrev);
    if (!label.empty() && label != text) {
        text += " (";
        text += label;
        text += ')';
    }
    return text;
}

NamedElement FindNamedElement(const NetworkStore& store, std::string_view typed, bool barEnds) {
    typed = TrimBlanks(typed);
    if (typed.empty()) return {};
    if (NamedElement n = Search(store, typed, FormName); n.found()) return n;
    if (NamedElement n = Search(store, typed, Label); n.found()) return n;
    if (NamedElement n = Search(store, typed,
                                [](const COMMON& e, int kind) {
                                    return kind == SEL_THEO
                                               ? StationEngineName(static_cast<const THEODOLITE&>(e))
                                               : std::string();
                                });
        n.found())
        return n;
    if (!barEnds || typed.size() < 2) return {};
    const char end = static_cast<char>(std::toupper(static_cast<unsigned char>(typed.back())));
    if (end != 'R' && end != 'L') return {};
    const std::string_view bar = typed.substr(0, typed.size() - 1);
    for (auto nameOf : {FormName, Label}) {
        const NamedElement n = Search(store, bar, nameOf);
        if (n.kind == SEL_SBAR) return {SEL_SBAR, n.slot, end};
    }
    return {};
}

} // namespace kivo
