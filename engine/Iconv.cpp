#include "Iconv.h"

#include <cerrno>

namespace {

// iconv takes non-const input pointers (it never writes through them).
char *input(QByteArrayView in) { return const_cast<char *>(in.data()); }

} // namespace

void TIconv::Reset()
{
    if (IsOpen())
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
}

bool TIconv::Step(QByteArrayView in, QByteArray &out)
{
    const qsizetype before = out.size();
    if (Run(in, out))
        return true;
    out.truncate(before);
    Reset();
    return false;
}

bool TIconv::Flush(QByteArray &out)
{
    if (!IsOpen())
        return false;
    char buf[64];
    char *outp = buf;
    size_t outLeft = sizeof buf;
    if (iconv(m_cd, nullptr, nullptr, &outp, &outLeft) == size_t(-1))
        return false;
    out.append(buf, qsizetype(sizeof buf - outLeft));
    return true;
}

bool TIconv::Run(QByteArrayView in, QByteArray &out, QByteArrayView replacement)
{
    if (!IsOpen())
        return false;
    char *inp = input(in);
    size_t inLeft = size_t(in.size());
    char buf[256];
    while (inLeft > 0) {
        char *outp = buf;
        size_t outLeft = sizeof buf;
        const size_t r = iconv(m_cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buf, qsizetype(sizeof buf - outLeft));
        if (r == size_t(-1) && errno != E2BIG) {
            if (replacement.isEmpty())
                return false;
            out += replacement;
            ++inp;
            --inLeft;
            Reset();
        }
    }
    return true;
}
