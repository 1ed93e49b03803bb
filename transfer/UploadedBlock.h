#pragma once

#include <QString>

namespace kvt::program {

// What the KVT31/KVT33 and four-model controllers send on upload: program
// lines ended by single CRs, a "M31,n" line naming the program, and "END".

// Where the end marker starts, searched from `from` on; -1 while it has not
// arrived. A marker split over reads is found once a search starts two
// characters before the new text.
qsizetype endMarkerAt(const QString& collected, qsizetype from = 0);
// The first CR or LF from `from` on; -1 when the line is still open.
qsizetype lineEndAt(const QString& text, qsizetype from);

struct UploadedBlock {
    QString text;  // for the editor: cut before "END", CR LF from "M31," on
    int programNo; // the number after the first "M31,"; 0 when none can be read
    // The line holding "END", split at the marker, as far as it arrived: what
    // stood before it (a word such as SEND) and after it (the X of ENDX).
    // Either means the cut lost more than the end of the upload, which the
    // operator must know.
    QString lineCutAtEnd;
    QString droppedAfterEnd;
};
UploadedBlock uploadedBlock(const QString& collected);

// What the cut at "END" lost of the controller's text, as a clause for the
// operator ("the line ... is not in <missingFrom>"); empty when "END" stood
// alone on its line.
QString cutAtEndText(const UploadedBlock& block, const QString& missingFrom);

// The editor frame's caption after an upload: "EDITOR - Upload # 3".
QString uploadCaption(int programNo);

} // namespace kvt::program
