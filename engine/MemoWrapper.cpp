#include "MemoWrapper.h"

void MemoWrapper::wrap(
    QStringView text, const Fits &fits, const EmitLine &emitLine, const LineBreak &lineBreak)
{
    // The line is always a run of the text: [lineStart, lineEnd).
    qsizetype lineStart = 0;
    qsizetype lineEnd = 0;
    const auto line = [&] { return text.sliced(lineStart, lineEnd - lineStart); };
    qsizetype c = 0;
    const qsizetype n = text.size();
    while (c < n) {
        qsizetype end = c;
        qsizetype breakLength = 0;
        for (; end < n; ++end) {
            const QChar ch = text[end];
            if (ch == u' ') {
                ++end;
                break;
            }
            if (ch == u'\r') {
                breakLength = end + 1 < n && text[end + 1] == u'\n' ? 2 : 1;
                break;
            }
            if (ch == u'\n') {
                breakLength = 1;
                break;
            }
        }
        if (fits(line(), text.sliced(c, end - c))) {
            lineEnd = end;
        } else {
            emitLine(line().toString());
            lineBreak();
            lineStart = c;
            lineEnd = end;
        }
        c = end + breakLength;
        if (breakLength > 0) {
            emitLine(line().toString());
            lineBreak();
            lineStart = lineEnd = c;
        }
    }
    emitLine(line().toString());
}
