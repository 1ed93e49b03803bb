#pragma once

#include <QString>
#include <QStringList>

namespace kvt {

// The lines of one copy of a program listing, as the printer gets them. Each
// string is one printed line; a line of blanks is still a line.
class ListingText {
public:
    // frmkvt_7 and frmkvt_31_33: a one-line header, an empty line, and the
    // editor text unchanged.
    static QStringList plain(const QString& text, const QString& filePath);

    // frmkvt_px_52: the text upper-cased and indented under an indented
    // header; with line numbers, numbered from 0 under a column heading,
    // where only a line whose first word has two or more characters takes a
    // number.
    static QStringList formatted(const QString& text, const QString& filePath, bool lineNumbers);
};

} // namespace kvt
