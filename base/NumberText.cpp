#include "NumberText.h"

#include <QByteArray>

#include <charconv>
#include <cmath>

namespace kvt {

double numericValue(const QString& text)
{
    const QByteArray latin = text.toLatin1();
    const char* const end = latin.constData() + latin.size();
    const char* p = latin.constData();
    while (p != end && (*p == ' ' || *p == '\t'))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';

    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const char* const first = p;
    int digits = 0;
    for (; p != end && isDigit(*p); ++p)
        ++digits;
    if (p != end && *p == '.')
        for (++p; p != end && isDigit(*p); ++p)
            ++digits;
    double value = 0;
    if (digits == 0 || std::from_chars(first, p, value, std::chars_format::fixed).ec != std::errc{})
        return 0;
    return negative ? -value : value;
}

int roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which is to-nearest-even
    // unless someone changed it; the program never does.
    return int(std::nearbyint(value));
}

} // namespace kvt
