#include "studyfixture.h"

#include "answer.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace fixture {

GeneratedStudy generateStudy(const StudyDesign &design)
{
    std::mt19937_64 random(design.seed);
    std::normal_distribution<double> normal;
    std::vector<std::vector<int>> walls = design.secondaryWalls;
    if (walls.empty()) {
        for (int s = 0; s < design.samples; ++s)
            walls.push_back({1, 2, 3, 0});
    }
    GeneratedStudy study;
    study.truth = "sample,primary wall,secondary wall\n";
    for (int s = 0; s < int(walls.size()); ++s) {
        for (int w = 0; w < int(walls[s].size()); ++w)
            study.truth += QStringLiteral("%1,%2,%3\n").arg(s + 1).arg(w).arg(walls[s][w]).toUtf8();
    }
    std::vector<double> sampleTime, sampleSkill;
    for (size_t s = 0; s < walls.size(); ++s) {
        sampleTime.push_back(0.3 * normal(random));
        sampleSkill.push_back(0.5 * normal(random));
    }
    for (int p = 0; p < design.participants; ++p) {
        const double speed = 0.3 * normal(random), skill = 0.5 * normal(random);
        std::vector<int> order(walls.size());
        for (size_t s = 0; s < order.size(); ++s)
            order[s] = int(s);
        std::shuffle(order.begin(), order.end(), random);
        QByteArray results;
        for (const int s : order) {
            const bool bramble = (s + p) % 2 == 1;
            wallmatch::Answer a;
            a.sampleId = s + 1;
            a.source = bramble ? QStringLiteral("Bramble") : QStringLiteral("Kestrel");
            const int wallCount = int(walls[s].size());
            a.wall1 = int(random() % wallCount);
            const double logOdds =
                1.5 + skill + sampleSkill[s] + (bramble ? design.accuracyEffect : 0);
            const bool correct =
                std::uniform_real_distribution<double>()(random) < 1 / (1 + std::exp(-logOdds));
            const int right = walls[s][a.wall1];
            a.wall2 = correct ? right : (right + 1 + int(random() % (wallCount - 1))) % wallCount;
            const double logSeconds = std::log(8.0) + speed + sampleTime[s]
                + (bramble ? design.timeEffect : 0) + 0.3 * normal(random);
            a.milliseconds = qint64(std::lround(std::exp(logSeconds) * 1000));
            a.click1 = QPoint(int(random() % 1024), 150 + int(random() % 200));
            a.click2 = QPoint(int(random() % 1024), 150 + int(random() % 200));
            results += wallmatch::resultLine(a).toUtf8();
        }
        study.participants.append(QStringLiteral("P%1").arg(p + 1, 2, 10, QLatin1Char('0')));
        study.results.append(results);
    }
    return study;
}

std::vector<std::vector<int>> secondaryWallsOf(const wallmatch::TruthFile &truth, int samples,
                                               const QString &source)
{
    std::vector<std::vector<int>> result;
    for (int s = 1; s <= samples; ++s) {
        const QHash<int, QVector<int>> walls = truth.walls.value(qMakePair(s, source));
        std::vector<int> secondary(size_t(walls.size()), -1);
        for (auto w = walls.cbegin(); w != walls.cend(); ++w)
            if (w.key() >= 0 && size_t(w.key()) < secondary.size())
                secondary.at(size_t(w.key())) = w.value().value(0, -1);
        result.push_back(secondary);
    }
    return result;
}

} // namespace fixture
