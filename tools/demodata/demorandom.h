#ifndef DEMORANDOM_H
#define DEMORANDOM_H

#include <QtGlobal>
#include <cmath>
#include <utility>
#include <vector>

namespace wallmatch {

// SplitMix64 finaliser: spreads neighbouring inputs over the whole 64-bit range.
constexpr quint64 mixBits(quint64 z)
{
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

constexpr quint64 mixSeed(quint64 a, quint64 b)
{
    return mixBits(mixBits(a) ^ (b * 0xd1342543de82ef95ULL + 0x632be59bd9b4e019ULL));
}

// FNV-1a of a name's bytes: a salt for a name that is the same on every build and Qt version.
inline quint64 nameSalt(const char *bytes, int size)
{
    quint64 h = 0xcbf29ce484222325ULL;
    for (int i = 0; i < size; ++i)
        h = (h ^ quint8(bytes[i])) * 0x100000001b3ULL;
    return h;
}

// Small self-contained generator: the standard distributions differ between library versions,
// and the demo data must come out the same wherever it is built.
class DemoRandom
{
public:
    explicit DemoRandom(quint64 seed)
        : state(seed)
    {
    }

    quint64 next()
    {
        state += 0x9e3779b97f4a7c15ULL;
        return mixBits(state);
    }

    // In [0, 1).
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

    // In [lo, hi], both included.
    int integer(int lo, int hi) { return lo + int(next() % quint64(qint64(hi) - qint64(lo) + 1)); }

    bool chance(double p) { return uniform() < p; }

    template<class T>
    void shuffle(std::vector<T> &items)
    {
        for (int i = int(items.size()) - 1; i > 0; --i)
            std::swap(items[size_t(i)], items[size_t(integer(0, i))]);
    }

private:
    quint64 state;
};

// Deterministic noise in [0, 1) for integer lattice cells, used by the surface patterns.
inline float cellNoise(quint64 seed, qint64 a, qint64 b = 0)
{
    const quint64 h = mixSeed(seed ^ quint64(a) * 0x9e3779b1ULL, quint64(b));
    return float(h >> 40) * (1.0f / 16777216.0f);
}

} // namespace wallmatch

#endif // DEMORANDOM_H
