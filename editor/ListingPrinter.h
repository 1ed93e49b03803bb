#pragma once

#include <QStringList>

class QFont;
class QPrinter;

namespace kvt {

// Puts a listing on paper. The program prints the copies itself, as many as
// the print dialog left in the printer's copy count, each beginning on a new
// page; a copy that fills its page goes on to the next, and a line wider than
// the page goes on in the line below instead of running off the paper.
class ListingPrinter {
public:
    // False when the printer refused the job or a page of it.
    static bool print(QPrinter& printer, const QStringList& lines, int pointSize = 10);

    // Columns of the formatted listing line up only in a fixed-pitch font.
    static QFont font(int pointSize);
};

} // namespace kvt
