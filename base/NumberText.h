#pragma once

#include <QString>

namespace kvt {

// How the program has always read a number out of text (a setup box, the
// program number after "M31,"): blanks and tabs in front are skipped, then an
// optional sign, digits and one decimal point are taken as far as they go
// ("12abc" is 12, " 7" is 7, "-3" is -3, "1.5" is 1.5); an empty or
// non-numeric text is 0. An exponent is not read ("1e3" is 1), so every value
// stays printable as a plain decimal for the controller.
double numericValue(const QString& text);
// Halves go to the even neighbour: 1.5 is 2, 2.5 is 2. The value must fit an int.
int roundHalfEven(double value);

} // namespace kvt
