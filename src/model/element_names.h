#pragma once
// The names of an element as the user meets them: the name the forms show ("Theo4_0"), the label
// the views draw ("T40", the abbreviation) and the name the adjustment listing gives a station
// ("4_0", position and number). Every place that asks for an element accepts any of them, case
// ignored; every place that lists elements shows the form name with the label beside it.

#include <string>
#include <string_view>

#include "model/document_state.h"
#include "model/records.h"
#include "model/theodolite.h"

namespace kivo {

// `s` without the blanks before and after it (typed names and the fields of a coordinate list).
std::string_view TrimBlanks(std::string_view s);

// A station's name in the adjustment: "%1d_%1d" of its position and number ("4_0").
std::string StationEngineName(const THEODOLITE& t);

// "Theo4_0 (T40)": the form name, with the view label beside it when there is one that differs.
std::string ShownName(const COMMON& e);

// What a typed name means: a theodolite, a point or a scale bar (kind SEL_THEO, SEL_POINT or
// SEL_SBAR; SEL_NONE when nothing is named so), and for a scale bar named with R or L after one of
// its names ("SBar1R", "S1L"), that end ('R' or 'L'; 0 for the bar itself).
struct NamedElement {
    int kind = SEL_NONE;
    int slot = -1;
    char end = 0;
    bool found() const { return kind != SEL_NONE; }
};

// The live element a typed name means (surrounding blanks and case ignored). Form names are tried
// first, then view labels, then station names of the adjustment, then scale-bar ends when
// `barEnds` is set; within each, theodolites before points before scale bars.
NamedElement FindNamedElement(const NetworkStore& store, std::string_view typed, bool barEnds = false);

} // namespace kivo
