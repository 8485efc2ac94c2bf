#pragma once

#include <QString>
#include <QStringView>

#include <functional>

// The word wrap of memo text into a column, shared by MemoOut and MemoHeight so the two
// always agree. A word runs up to and including its blank, so the blank counts in the width
// and stays in the line. A line break (CR LF, or a lone CR or LF) ends the word and the line;
// the break itself is in no line. One pass over the text: each character is looked at once.
class MemoWrapper
{
public:
    // Whether the line with the word appended still fits the column. Both are views into the
    // wrapped text, the word right after the line, so a caller may remember what it measured.
    using Fits = std::function<bool(QStringView line, QStringView word)>;
    // A finished line, to be written.
    using EmitLine = std::function<void(const QString &line)>;
    // The move down to the next line, after an emitted line that is not the last.
    using LineBreak = std::function<void()>;

    // Emits every line of the text in order, each but the last followed by a line break. The
    // last line is emitted even when empty, as is the line before a break.
    static void wrap(
        QStringView text, const Fits &fits, const EmitLine &emitLine, const LineBreak &lineBreak);
};
