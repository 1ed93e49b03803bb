#pragma once

#include <QString>

namespace kvt::program {

// What the KVT31/KVT33 and four-model controllers send on upload: program
// lines ended by single CRs, a "M31,n" line naming the program, and "END".

// The collected text holds the end marker (it may arrive split over reads).
bool hasEndMarker(const QString& collected);

struct UploadedBlock {
    QString text;  // for the editor: cut before "END", CR LF from "M31," on
    int programNo; // the number after the first "M31,"; 0 when none can be read
    // When "END" stood inside a line (a word such as SEND), the line up to
    // it: the controller's text was cut there, which the operator must know.
    QString lineCutAtEnd;
};
UploadedBlock uploadedBlock(const QString& collected);

// The editor frame's caption after an upload: "EDITOR - Upload # 3".
QString uploadCaption(int programNo);

} // namespace kvt::program
