// One iconv conversion descriptor, opened once and closed with the object,
// and the one loop that feeds it: whole characters (a code page lacks one or
// not) and runs of bytes (a byte that does not convert stops the run or is
// replaced).
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <iconv.h>

class TIconv
{
public:
    TIconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~TIconv()
    {
        if (IsOpen())
            iconv_close(m_cd);
    }
    TIconv(const TIconv &) = delete;
    TIconv &operator=(const TIconv &) = delete;

    bool IsOpen() const { return m_cd != iconv_t(-1); }
    // Back to the initial shift state, nothing written.
    void Reset();
    // Converts all of `in` onto `out`. False, with `out` as it was and the
    // state reset, when a character does not convert.
    bool Step(QByteArrayView in, QByteArray &out);
    // Writes what a stateful encoding holds back and returns to the initial
    // state. False when it cannot.
    bool Flush(QByteArray &out);
    // Converts a run of bytes onto `out`. A byte that does not convert is
    // replaced by `replacement` (and conversion goes on after it) or, when
    // `replacement` is empty, ends the run: false then, `out` holding what
    // converted before it.
    bool Run(QByteArrayView in, QByteArray &out, QByteArrayView replacement = {});

private:
    iconv_t m_cd;
};
