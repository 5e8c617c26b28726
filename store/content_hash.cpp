// SHA-256, small and dependency-free: the history store names its content by it,
// so equal bytes are stored once and a damaged content file is noticed.
#include "store/content_hash.h"

#include <array>
#include <cstdint>

#include "store/value_text.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define CE_SHA_EXTENSIONS 1
#endif

namespace ce {
namespace {

constexpr std::array<std::uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void compress(std::array<std::uint32_t, 8>& h, const unsigned char* block) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
               std::uint32_t{block[4 * i + 2]} << 8 | std::uint32_t{block[4 * i + 3]};
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t t1 = k + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
        const std::uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        k = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += k;
}

// Blocks through the processor's SHA instructions, where it has them: a Save
// names the old bytes of every file it changes by their hash, and the plain
// rounds above cost more than the rest of the journal's work.
#ifdef CE_SHA_EXTENSIONS
bool has_sha_extensions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0) return false;
    const bool ssse3_sse41 = (c & bit_SSSE3) != 0 && (c & bit_SSE4_1) != 0;
    if (__get_cpuid_max(0, nullptr) < 7) return false;
    __cpuid_count(7, 0, a, b, c, d);
    return ssse3_sse41 && (b & (1u << 29)) != 0;
}

__attribute__((target("sha,sse4.1,ssse3"))) void compress_blocks_sha(std::array<std::uint32_t, 8>& h,
                                                                      const unsigned char* p, std::size_t blocks) {
    const __m128i byte_order = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    // The state as the instructions want it: ABEF and CDGH.
    __m128i t = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&h[0])), 0xB1);
    __m128i cdgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&h[4])), 0x1B);
    __m128i abef = _mm_alignr_epi8(t, cdgh, 8);
    cdgh = _mm_blend_epi16(cdgh, t, 0xF0);
    for (; blocks > 0; --blocks, p += 64) {
        const __m128i abef_before = abef, cdgh_before = cdgh;
        // w[g % 4]: the message words of rounds 4g to 4g + 3; each group
        // makes the words of the next from the four before.
        __m128i w[4];
        for (int g = 0; g < 16; ++g) {
            __m128i& now = w[g % 4];
            if (g < 4) now = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * g)), byte_order);
            const __m128i words =
                _mm_add_epi32(now, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRound[static_cast<std::size_t>(4 * g)])));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, words);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(words, 0x0E));
            __m128i& before = w[(g + 3) % 4];
            if (g >= 3 && g < 15) {
                __m128i& next = w[(g + 1) % 4];
                next = _mm_sha256msg2_epu32(_mm_add_epi32(next, _mm_alignr_epi8(now, before, 4)), now);
            }
            if (g >= 1 && g <= 12) before = _mm_sha256msg1_epu32(before, now);
        }
        abef = _mm_add_epi32(abef, abef_before);
        cdgh = _mm_add_epi32(cdgh, cdgh_before);
    }
    t = _mm_shuffle_epi32(abef, 0x1B);
    cdgh = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&h[0]), _mm_blend_epi16(t, cdgh, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&h[4]), _mm_alignr_epi8(cdgh, t, 8));
}
#endif

void compress_blocks(std::array<std::uint32_t, 8>& h, const unsigned char* p, std::size_t blocks, bool plain) {
#ifdef CE_SHA_EXTENSIONS
    static const bool sha = has_sha_extensions();
    if (sha && !plain) {
        compress_blocks_sha(h, p, blocks);
        return;
    }
#endif
    (void)plain;
    for (; blocks > 0; --blocks, p += 64) compress(h, p);
}

std::string hash_of(std::string_view bytes, bool plain) {
    std::array<std::uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t whole = bytes.size() / 64;
    compress_blocks(h, p, whole, plain);
    p += whole * 64;
    const std::size_t n = bytes.size() % 64;
    unsigned char tail[128] = {};
    for (std::size_t i = 0; i < n; ++i) tail[i] = p[i];
    tail[n] = 0x80;
    const std::size_t blocks = n < 56 ? 1 : 2;
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i) tail[blocks * 64 - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    compress_blocks(h, tail, blocks, plain);
    std::string out;
    out.reserve(64);
    for (std::uint32_t word : h)
        for (int shift = 28; shift >= 0; shift -= 4) out += hex_digit((word >> shift) & 15, false);
    return out;
}

}  // namespace

std::string content_hash(std::string_view bytes) { return hash_of(bytes, false); }

std::string content_hash_plain(std::string_view bytes) { return hash_of(bytes, true); }

}  // namespace ce
