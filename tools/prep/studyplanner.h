#ifndef STUDYPLANNER_H
#define STUDYPLANNER_H

#include "problem.h"
#include "sources.h"
#include "studyplan.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <optional>
#include <random>

namespace wallmatch {

// Bounds of one run of the planner: every case is held in memory and written.
inline constexpr int maxParticipants = 10000;
inline constexpr qint64 maxPlannedCases = 1000000; // participants x samples

// What a set of study plans, one per participant, is made from.
struct StudyDesign
{
    int participants = 0;
    QVector<int> samples; // in the order a fixed plan shows them
    QStringList sources; // display names, each used for an equal share of the samples
    std::uint64_t seed = 0;
    bool shuffled = true; // false: every participant sees the samples in the order given
    // Every sample with every source: k rounds, the sources turned by one each round. Shuffled,
    // each round has an order of its own in which a sample's case comes at least `gap` cases
    // after its case in the round before (at most n); fixed, every round is the order given.
    bool within = false;
    int gap = 3;
    // Practice cases before the test cases, from samples of their own: `practice` cases of
    // practiceSamples (the first ones, or a seeded choice when shuffled), sources rotating.
    int practice = 0;
    QVector<int> practiceSamples;
};

// "1-100", "3,5,9" or a mix ("1-10,15"); every sample once, counted from 1.
std::optional<QVector<int>> parseSampleList(const QString &text, QString *error);

// The plans of all participants, in participant order. Sources are counterbalanced: a seeded
// permutation puts the samples in slots, and participant p shows slot s with source
// (s + p) mod sourceCount. So every participant sees each source for an equal share of the
// samples (within one), and across participants every sample is shown with each source equally
// often (within one). Shuffled orders come from the seed and the participant number alone; no
// two participants get the same order while there are orders left.
QVector<QVector<PlanCase>> makeStudyPlans(const StudyDesign &design);

// The practice cases a participant's plan starts with (StudyDesign::practice).
QVector<PlanCase> practiceCases(const StudyDesign &design, int participant);

// "P01", "P02", ...: at least two digits, more when there are more participants.
QString participantId(int number, int participants);

// Writes OUT_DIR/<participantId>.csv for every plan. Refuses, before writing anything, when any
// of those files exists and `force` is not set.
QVector<Problem> writeStudyPlans(const QVector<QVector<PlanCase>> &plans, const QString &outDir,
                                 bool force);

// Plan files in OUT_DIR ("P" digits ".csv") that are not those of `participants` participants,
// e.g. left from an earlier run with more participants: a participant must not be given one.
QStringList strayPlans(const QString &outDir, int participants);

// The random numbers behind the plans, fixed to these algorithms so that a seed gives the same
// plans with every compiler and standard library: std::mt19937_64 is defined exactly by the
// standard, its distributions and std::shuffle are not.
std::uint64_t mixSeed(std::uint64_t seed, std::uint64_t stream); // SplitMix64 of both
std::uint64_t uniformBelow(std::mt19937_64 &engine, std::uint64_t bound); // 0 <= x < bound
template<typename T>
void shuffleInPlace(QVector<T> &values, std::mt19937_64 &engine)
{
    // Fisher-Yates, from the back.
    for (int i = int(values.size()) - 1; i > 0; --i)
        std::swap(values[i], values[int(uniformBelow(engine, std::uint64_t(i) + 1))]);
}

} // namespace wallmatch

#endif // STUDYPLANNER_H
