#pragma once

#include <QList>
#include <QStringList>

namespace kvt::test {

// A printed PDF read back as text with pdftotext (poppler-utils).
class PdfText {
public:
    // Each page as its lines, laid out in columns of columnWidth points so that
    // blanks keep their place: trailing blanks and the page margin taken off, a
    // run of empty lines as one, none at the end. Empty when pdftotext fails.
    static QList<QStringList> pages(const QString& pdf, double columnWidth = 6);
};

} // namespace kvt::test
