// Zebrix's QR Code (model 2) encoder.
//
// One segment in 8-bit byte mode, the version and error-correction level the
// caller chooses (never chosen automatically), the mask always chosen by
// Zebrix's own penalty rule. Pure computation: no Qt, no allocation.
#pragma once

#include <cstdint>

// Error-correction levels as the caller numbers them.
inline constexpr int kQRLevelL = 1;
inline constexpr int kQRLevelM = 2;
inline constexpr int kQRLevelQ = 3;
inline constexpr int kQRLevelH = 4;

inline constexpr int kQRMinVersion = 1;
inline constexpr int kQRMaxVersion = 40;
// Light border drawn around the symbol in the output array, in modules.
inline constexpr int kQRBorder = 4;
// Data longer than this is not even counted to its end (it never fits).
inline constexpr int kQRCountLimit = 8001;
// Elements the output array must hold for a version: 1 + (4V + 17 + 8)^2;
// 34226 for version 40, enough for any version.
inline constexpr int QROutputLength(int version) { return 1 + (4 * version + 25) * (4 * version + 25); }
inline constexpr int kQRMaxOutputLength = QROutputLength(kQRMaxVersion);

// Statuses of EncodeQRSymbol.
inline constexpr int kQROk = 0;
inline constexpr int kQRBadVersion = -1;    // version outside 1..40
inline constexpr int kQRBadLevel = -2;      // level outside 1..4
inline constexpr int kQRDataTooLong = -3;   // more bytes than the version and level hold

// Encodes the bytes of `data` up to its first zero byte (counting stops at
// 8001 bytes, so at most 8001 bytes are read) as a QR Code of the given
// version (1..40) and level (1 = L, 2 = M, 3 = Q, 4 = H).
//
// On success returns 0 and writes W = 4 * version + 25 into modules[0], then
// the W x W modules of the symbol with its 4-module light border, row by row
// from the top, each row left to right: 1 dark, 0 light. `modules` must hold
// QROutputLength(version) elements.
//
// The checks run in the order version (-1), level (-2), length (-3); on any
// failure nothing is written to `modules`. A null `data` or `modules` is
// refused with -3 once version and level have been checked: there is no data
// to measure or nowhere to put the symbol.
//
// The working storage is thread_local and fixed in size: calls from several
// threads at once are safe, and an encoding allocates nothing.
int EncodeQRSymbol(int version, int level, const char *data, int32_t *modules);

// Largest number of bytes a symbol of this version (1..40) and level (1..4)
// holds in byte mode (17 for 1-L, 2953 for 40-L); -1 when version or level is
// out of range.
int QRByteCapacity(int version, int level);

// Modules per side of a version (21 for version 1 ... 177 for version 40),
// border not included; -1 out of range.
int QRSymbolSize(int version);

// Pieces of the encoder exposed for Zebrix's tests; not a stable interface.
namespace qr_internal {

inline constexpr int kMaxSize = 177;

// Zebrix's mask penalty of an n x n matrix (1 <= n <= 177) given as n * n
// bytes row by row, nonzero = dark: runs of five or more, 2 x 2 blocks,
// dark-light-dark-dark-dark-light-dark with a light cell or the edge on both
// sides (40 each, rows and columns), and the dark/light balance.
// Returns -1 for n out of range.
int Penalty(const uint8_t *dark, int n);

// The final codeword sequence (data codewords interleaved, then the
// error-correction codewords interleaved) for the data; returns the number
// of codewords written into `out` (at most 3706), or the negative status of
// EncodeQRSymbol. `length` bytes are taken as they are (zero bytes too).
int Codewords(int version, int level, const uint8_t *data, int length, uint8_t *out);

// The N x N matrix (bytes, 1 dark) of the symbol with mask `mask` (0..7)
// applied, as the penalty sees it: format information, version information
// and the dark module not drawn yet. Returns N, or a negative status.
int MaskedMatrix(int version, int level, const char *data, int mask, uint8_t *dark);

} // namespace qr_internal
