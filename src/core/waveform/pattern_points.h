// Point lists typed on the pattern tabs: the Bezier control points and the Custom LUT
// table, and the Bezier evaluation over them.
#pragma once

#include <string_view>
#include <vector>

namespace voltaris {

// Every number of a Bezier point text, in order, as the run reads it: the characters
// + - . 0-9 E e form a token and any other character (brackets, commas, blanks,
// letters) ends it; tokens that do not read as a number are dropped. The bracket
// structure plays no part.
std::vector<double> ExtractBezierNumbers(std::string_view text);

// The numbers of a Bezier point text as the reference preview reads them: brackets are
// removed and the rest is split as comma text (commas and blanks separate items, two
// commas in a row give an empty item); an item that does not read as a number counts
// as 0 instead of being dropped.
std::vector<double> ReadPreviewBezierNumbers(std::string_view text);

// The y values of a flat number list read as (x, y) pairs, or an empty list when it
// holds fewer than 4 numbers or an odd count (then the pattern has no usable curve).
std::vector<double> BezierYValues(const std::vector<double>& numbers);

// The Bezier curve of the control values `ys` at parameter u (de Casteljau). `work`
// is scratch space reused between calls. ys must not be empty.
double BezierAt(const std::vector<double>& ys, double u, std::vector<double>& work);
// The same curve in Bernstein form, summed in one pass (O(n) instead of the O(n^2) de
// Casteljau steps): every term is a product of non-negative weights, so the two agree to
// a few units in the last place of the largest control value. The preview, which draws up
// to 199 000 points per keystroke, uses it; the live step keeps de Casteljau.
double BezierBernsteinAt(const std::vector<double>& ys, double u);
// The Bernstein weights C(n-1, k) y_k of the control values, and the curve from them at
// one parameter or at `count` parameters (several independent sums side by side, so the
// processor overlaps them; the same value as the one-parameter form).
std::vector<double> BernsteinWeights(const std::vector<double>& ys);
double BernsteinAt(const std::vector<double>& weights, double u);
void BernsteinFill(const std::vector<double>& weights, const double* u, double* out, size_t count);

// The Custom LUT point list: split at "," and ";", pieces trimmed, empty pieces
// skipped, each read with the decimal point (pieces that do not read are skipped) and
// limited to [0, 1]. A decimal comma cannot be used: it splits the number.
std::vector<double> ParsePoints(std::string_view text);

}  // namespace voltaris
