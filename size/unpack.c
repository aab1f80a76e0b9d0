/* Unpacks the size build's packed program image (size/unpack.h describes the
   format): a range-coded LZ stream of the LZMA kind, decoded straight into the
   destination, which serves as the window of earlier bytes. Plain C without
   the C library, for the start-up stub and for the native tests alike. */
#include "size/unpack.h"

enum {
    STATES = 12,
    POS_BITS_MAX = 4,
    LEN_TO_POS_STATES = 4,
    END_POS_MODEL = 14,
    FULL_DISTANCES = 128,
    ALIGN_BITS = 4,
    MATCH_MIN = 2
};

typedef uint16_t Prob;

typedef struct {
    Prob choice, choice2;
    Prob low[1 << POS_BITS_MAX][1 << 3];
    Prob mid[1 << POS_BITS_MAX][1 << 3];
    Prob high[1 << 8];
} LenModel;

/* Every adaptive probability of the stream; each starts at one half. */
typedef struct {
    Prob isMatch[STATES << POS_BITS_MAX];
    Prob isRep[STATES], isRepG0[STATES], isRepG1[STATES], isRepG2[STATES];
    Prob isRep0Long[STATES << POS_BITS_MAX];
    Prob posSlot[LEN_TO_POS_STATES][1 << 6];
    Prob posSpecial[1 + FULL_DISTANCES - END_POS_MODEL];
    Prob align[1 << ALIGN_BITS];
    LenModel len, repLen;
    Prob literal[0x300 << 8]; /* enough for lc + lp <= 8 */
} Model;

typedef struct {
    const uint8_t* in;
    const uint8_t* end;
    uint32_t range, code;
    int corrupt;
} Coder;

static Model model;

static uint8_t nextByte(Coder* c) {
    if (c->in == c->end) {
        c->corrupt = 1;
        return 0;
    }
    return *c->in++;
}

static void normalise(Coder* c) {
    if (c->range < (1u << 24)) {
        c->range <<= 8;
        c->code = c->code << 8 | nextByte(c);
    }
}

static unsigned bit(Coder* c, Prob* p) {
    uint32_t bound = (c->range >> 11) * *p;
    unsigned b;
    if (c->code < bound) {
        *p = (Prob)(*p + ((2048 - *p) >> 5));
        c->range = bound;
        b = 0;
    } else {
        *p = (Prob)(*p - (*p >> 5));
        c->code -= bound;
        c->range -= bound;
        b = 1;
    }
    normalise(c);
    return b;
}

static uint32_t directBits(Coder* c, unsigned n) {
    uint32_t result = 0;
    while (n--) {
        c->range >>= 1;
        unsigned b = c->code >= c->range;
        if (b) c->code -= c->range;
        normalise(c);
        result = result << 1 | b;
    }
    return result;
}

static unsigned tree(Coder* c, Prob* probs, unsigned bits) {
    unsigned m = 1;
    for (unsigned i = 0; i < bits; ++i)
        m = m << 1 | bit(c, &probs[m]);
    return m - (1u << bits);
}

static unsigned reverseTree(Coder* c, Prob* probs, unsigned bits) {
    unsigned m = 1, symbol = 0;
    for (unsigned i = 0; i < bits; ++i) {
        unsigned b = bit(c, &probs[m]);
        m = m << 1 | b;
        symbol |= b << i;
    }
    return symbol;
}

static unsigned length(Coder* c, LenModel* m, unsigned posState) {
    if (!bit(c, &m->choice)) return tree(c, m->low[posState], 3);
    if (!bit(c, &m->choice2)) return 8 + tree(c, m->mid[posState], 3);
    return 16 + tree(c, m->high, 8);
}

static uint32_t distance(Coder* c, unsigned len) {
    unsigned lenState = len < LEN_TO_POS_STATES - 1 ? len : LEN_TO_POS_STATES - 1;
    unsigned slot = tree(c, model.posSlot[lenState], 6);
    if (slot < 4) return slot;
    unsigned direct = (slot >> 1) - 1;
    uint32_t dist = (2 | (slot & 1)) << direct;
    if (slot < END_POS_MODEL) return dist + reverseTree(c, model.posSpecial + dist - slot, direct);
    dist += directBits(c, direct - ALIGN_BITS) << ALIGN_BITS;
    return dist + reverseTree(c, model.align, ALIGN_BITS);
}

static void resetModel(void) {
    Prob* p = (Prob*)&model;
    for (uint32_t i = 0; i < sizeof model / sizeof(Prob); ++i)
        p[i] = 1024;
}

/* Decodes the stream into out[0, size); 0 when it ends exactly there. */
static int decode(Coder* c, uint8_t* out, uint32_t size, unsigned lc, unsigned lp, unsigned pb) {
    unsigned state = 0;
    uint32_t rep0 = 0, rep1 = 0, rep2 = 0, rep3 = 0, pos = 0;
    resetModel();
    c->range = 0xFFFFFFFFu;
    c->code = 0;
    if (nextByte(c) != 0) return 1;
    for (int i = 0; i < 4; ++i)
        c->code = c->code << 8 | nextByte(c);
    while (!c->corrupt) {
        unsigned posState = pos & ((1u << pb) - 1);
        if (!bit(c, &model.isMatch[state << POS_BITS_MAX | posState])) {
            if (pos == size) break;
            unsigned prev = pos ? out[pos - 1] : 0;
            Prob* probs =
                model.literal + 0x300 * (((pos & ((1u << lp) - 1)) << lc) + (prev >> (8 - lc)));
            unsigned symbol = 1;
            if (state >= 7) {
                unsigned match = out[pos - rep0 - 1];
                do {
                    unsigned matchBit = (match >> 7) & 1;
                    match <<= 1;
                    unsigned b = bit(c, &probs[((1 + matchBit) << 8) + symbol]);
                    symbol = symbol << 1 | b;
                    if (matchBit != b) break;
                } while (symbol < 0x100);
            }
            while (symbol < 0x100)
                symbol = symbol << 1 | bit(c, &probs[symbol]);
            out[pos++] = (uint8_t)symbol;
            state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
            continue;
        }
        unsigned len;
        if (bit(c, &model.isRep[state])) {
            if (pos == size || pos == 0) return 1;
            if (!bit(c, &model.isRepG0[state])) {
                if (!bit(c, &model.isRep0Long[state << POS_BITS_MAX | posState])) {
                    state = state < 7 ? 9 : 11;
                    out[pos] = out[pos - rep0 - 1];
                    ++pos;
                    continue;
                }
            } else {
                uint32_t dist;
                if (!bit(c, &model.isRepG1[state])) {
                    dist = rep1;
                } else {
                    if (!bit(c, &model.isRepG2[state])) {
                        dist = rep2;
                    } else {
                        dist = rep3;
                        rep3 = rep2;
                    }
                    rep2 = rep1;
                }
                rep1 = rep0;
                rep0 = dist;
            }
            len = length(c, &model.repLen, posState);
            state = state < 7 ? 8 : 11;
        } else {
            rep3 = rep2;
            rep2 = rep1;
            rep1 = rep0;
            len = length(c, &model.len, posState);
            state = state < 7 ? 7 : 10;
            rep0 = distance(c, len);
            if (rep0 == 0xFFFFFFFFu) break; /* the end marker */
            if (pos == size || rep0 >= pos) return 1;
        }
        len += MATCH_MIN;
        if (size - pos < len) return 1;
        for (; len; --len, ++pos)
            out[pos] = out[pos - rep0 - 1];
    }
    return c->corrupt || pos != size || c->code != 0;
}

static uint32_t read32(const uint8_t* p) {
    return p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static int farByte(uint8_t b) {
    return b == 0x00 || b == 0xFF;
}

/* Turns the absolute targets that the packer wrote into the x86 calls and
   jumps with 32-bit displacements (E8, E9) back into relative ones; the
   packer's branch filter is liblzma's x86 filter, starting at offset 0. */
static void unfilterBranches(uint8_t* buf, uint32_t size) {
    static const uint8_t allowed[8] = {1, 1, 1, 0, 1, 0, 0, 0};
    static const uint8_t bitNumber[8] = {0, 1, 2, 2, 3, 3, 3, 3};
    uint32_t prevPos = 0xFFFFFFFFu, prevMask = 0, i;
    if (size <= 4) return;
    size -= 4;
    for (i = 0; i < size; ++i) {
        if ((buf[i] & 0xFE) != 0xE8) continue;
        prevPos = i - prevPos;
        if (prevPos > 3) {
            prevMask = 0;
        } else {
            prevMask = (prevMask << (prevPos - 1)) & 7;
            if (prevMask && (!allowed[prevMask] || farByte(buf[i + 4 - bitNumber[prevMask]]))) {
                prevPos = i;
                prevMask = prevMask << 1 | 1;
                continue;
            }
        }
        prevPos = i;
        if (!farByte(buf[i + 4])) {
            prevMask = prevMask << 1 | 1;
            continue;
        }
        uint32_t src = read32(buf + i + 1), dest;
        for (;;) {
            dest = src - (i + 5);
            if (!prevMask) break;
            uint32_t j = bitNumber[prevMask] * 8u;
            if (!farByte((uint8_t)(dest >> (24 - j)))) break;
            src = dest ^ ((1u << (32 - j)) - 1);
        }
        dest &= 0x01FFFFFFu;
        dest |= 0u - (dest & 0x01000000u);
        buf[i + 1] = (uint8_t)dest;
        buf[i + 2] = (uint8_t)(dest >> 8);
        buf[i + 3] = (uint8_t)(dest >> 16);
        buf[i + 4] = (uint8_t)(dest >> 24);
        i += 4;
    }
}

uint32_t unpackChecksum(const uint8_t* data, uint32_t size) {
    uint32_t hash = 2166136261u;
    for (uint32_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

uint32_t unpackedSize(const uint8_t* packed, uint32_t packedSize) {
    if (packedSize < UNPACK_HEADER || read32(packed) != UNPACK_MAGIC) return 0;
    return read32(packed + 4);
}

int unpack(const uint8_t* packed, uint32_t packedSize, uint8_t* out, uint32_t outSize) {
    uint32_t size = unpackedSize(packed, packedSize);
    unsigned props = packed[12], filters = packed[13];
    if (!size || size > outSize || props >= 9 * 5 * 5 || filters > 1) return 1;
    unsigned lc = props % 9, lp = props / 9 % 5, pb = props / 45;
    if (lc + lp > 8) return 1;
    Coder c = {packed + UNPACK_HEADER, packed + packedSize, 0, 0, 0};
    if (decode(&c, out, size, lc, lp, pb)) return 1;
    if (filters) unfilterBranches(out, size);
    return unpackChecksum(out, size) != read32(packed + 8);
}
