#pragma once

#include <QString>

namespace kvt {

// The editor's text as the controllers and the program files know it: lines
// separated by CR LF, counted in characters with each CR LF as two.
class ProgramText {
public:
    // Every line break (CR LF, a lone CR, a lone LF) as CR LF, the only kind
    // the editor holds.
    static QString withCrLf(const QString& text);

    // At most limit characters from the front, never ending between the CR and
    // the LF of a pair (a lone CR would turn into a whole line break).
    static QString cut(const QString& text, qsizetype limit);

    // The name a caption shows: what follows the last path separator, or the
    // whole path when there is none.
    static QString fileName(const QString& path);

    // 1-based line and column of the character at index, for telling the
    // operator where to look.
    struct Place {
        qsizetype line = 1;
        qsizetype column = 1;
    };
    static Place placeOf(const QString& text, qsizetype index);
};

} // namespace kvt
