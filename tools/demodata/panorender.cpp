#include "panorender.h"

#include "demorandom.h"
#include "projection.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace wallmatch {

namespace {

constexpr float kSkirtingHeight = 0.09f;
constexpr float kLightBelowCeiling = 0.1f;

// Surface kinds in the top bits of a sample's key; pixels whose neighbours have another key
// lie on an edge and are supersampled.
constexpr quint32 kWallKey = 1u << 29;
constexpr quint32 kFloorKey = 2u << 29;
constexpr quint32 kCeilingKey = 3u << 29;

struct ColumnHit
{
    float dirX = 0.0f;
    float dirY = 1.0f;
    float distance = 0.0f;
    float along = 0.0f;
    int wall = 0;
};

struct Shade
{
    Rgb colour;
    quint32 key = 0;
};

// What a feature shows at a point of its rectangle; covered is false where the wall shows.
struct FeatureLook
{
    bool covered = false;
    Rgb colour;
    quint32 part = 0;
};

float falloff(float d, float reach)
{
    const float t = std::max(0.0f, 1.0f - d / reach);
    return t * t;
}

FeatureLook doorLook(const WallFeature &f, float x, float y)
{
    const float w = float(f.right - f.left);
    const float h = float(f.top - f.bottom);
    const float frame = 0.07f;
    if (x < frame || x > w - frame || y > h - frame)
        return {true, f.frame, 1};
    const float lx = x - frame;
    const float lw = w - 2 * frame;
    // Knob on the right, then two recessed panels.
    const float kx = lx - (lw - 0.08f);
    const float ky = y - 1.0f;
    if (kx * kx + ky * ky < 0.03f * 0.03f)
        return {true, f.accent, 2};
    const float inset = 0.12f;
    const float split = h * 0.45f;
    const bool inPanel = lx > inset && lx < lw - inset
        && ((y > inset && y < split - 0.06f) || (y > split + 0.06f && y < h - frame - inset));
    if (inPanel) {
        const bool rim = lx < inset + 0.015f || lx > lw - inset - 0.015f
            || std::abs(y - inset) < 0.015f || std::abs(y - (split - 0.06f)) < 0.015f
            || std::abs(y - (split + 0.06f)) < 0.015f || std::abs(y - (h - frame - inset)) < 0.015f;
        return {true, scaled(f.fill, rim ? 0.75f : 0.92f), rim ? 4u : 5u};
    }
    return {true, f.fill, 3};
}

FeatureLook windowLook(const WallFeature &f, float x, float y)
{
    const float w = float(f.right - f.left);
    const float h = float(f.top - f.bottom);
    const float frame = 0.06f;
    if (y < 0.04f)
        return {true, f.accent, 1};
    if (x < frame || x > w - frame || y < frame + 0.04f || y > h - frame)
        return {true, f.frame, 2};
    if ((w > 1.1f && std::abs(x - w / 2) < 0.025f) || std::abs(y - h * 0.7f) < 0.025f)
        return {true, f.frame, 2};
    // The view outside: a line of trees below a sky that pales towards the horizon.
    const float t = (y - frame) / (h - 2 * frame);
    const float treeLine = 0.18f + 0.06f * std::sin(x * 9.0f) + 0.03f * std::sin(x * 23.0f);
    if (t < treeLine)
        return {true, rgbFromHsv(110, 0.45, 0.35 + 0.1 * t), 3};
    return {true, mix({0.95f, 0.96f, 0.97f}, f.fill, 0.35f + 0.65f * t), 4};
}

FeatureLook pictureLook(const WallFeature &f, float x, float y)
{
    const float w = float(f.right - f.left);
    const float h = float(f.top - f.bottom);
    const float frame = 0.04f;
    if (x < frame || x > w - frame || y < frame || y > h - frame)
        return {true, f.frame, 1};
    const float sx = x - 0.68f * w;
    const float sy = y - 0.66f * h;
    const float r = 0.14f * std::min(w, h);
    if (sx * sx + sy * sy < r * r)
        return {true, f.accent, 2};
    const float hill = h * (0.38f + 0.08f * std::sin(x / w * 7.0f));
    if (y < hill)
        return {true, mix(f.fill, f.accent, 0.5f), 3};
    return {true, f.fill, 4};
}

FeatureLook shelfLook(const WallFeature &f, float x, float y)
{
    if (y < 0.035f)
        return {true, f.frame, 1};
    const double at = f.left + x;
    if (f.bookEdges.size() < 2 || at < f.bookEdges.front() || at >= f.bookEdges.back())
        return {};
    const size_t book =
        size_t(std::upper_bound(f.bookEdges.begin(), f.bookEdges.end(), at) - f.bookEdges.begin())
        - 1;
    const float bookHeight = 0.16f + 0.012f * float(book % 7) + 0.004f * float(book % 3);
    if (y > 0.035f + bookHeight)
        return {};
    return {true, f.bookColours[book], 2 + quint32(book % 28)};
}

FeatureLook featureLook(const WallFeature &f, float x, float y)
{
    switch (f.kind) {
    case FeatureKind::Door:
        return doorLook(f, x, y);
    case FeatureKind::Window:
        return windowLook(f, x, y);
    case FeatureKind::Picture:
        return pictureLook(f, x, y);
    case FeatureKind::Shelf:
        return shelfLook(f, x, y);
    }
    return {};
}

class PanoTracer
{
public:
    PanoTracer(const Room &room, const CameraPose &pose, const QSize &size)
        : room(room)
        , pose(pose)
        , size(size)
    {
        for (const RoomWall &w : room.walls) {
            const PlanPoint e = w.end - w.start;
            const double len = length(e);
            normals.push_back({-e.y / len, e.x / len});
            lengths.push_back(float(len));
        }
        floorCos = float(std::cos(room.floor.angle));
        floorSin = float(std::sin(room.floor.angle));
        lightZ = float(room.ceilingHeight) - kLightBelowCeiling;
    }

    ColumnHit column(double u) const
    {
        // Azimuth grows from the camera's +y towards -x; the heading turns that into plan axes.
        const double azimuth = u / size.width() * 2 * piDouble;
        const double cx = -std::sin(azimuth);
        const double cy = std::cos(azimuth);
        const double c = std::cos(pose.heading);
        const double s = std::sin(pose.heading);
        const PlanPoint dir {c * cx - s * cy, s * cx + c * cy};
        ColumnHit hit;
        hit.dirX = float(dir.x);
        hit.dirY = float(dir.y);
        double best = 1e9;
        for (size_t i = 0; i < room.walls.size(); ++i) {
            const RoomWall &w = room.walls[i];
            const PlanPoint e = w.end - w.start;
            const double denom = cross(dir, e);
            if (std::abs(denom) < 1e-12)
                continue;
            const PlanPoint toStart = w.start - pose.position;
            const double r = cross(toStart, e) / denom;
            const double t = cross(toStart, dir) / denom;
            if (r > 0 && r < best && t >= -1e-9 && t <= 1 + 1e-9) {
                best = r;
                hit.wall = int(i);
                hit.distance = float(r);
                hit.along = float(std::clamp(t, 0.0, 1.0) * length(e));
            }
        }
        return hit;
    }

    Shade shade(const ColumnHit &hit, float cotPolar) const
    {
        const float camZ = float(pose.height);
        const float z = camZ + hit.distance * cotPolar;
        const float ceiling = float(room.ceilingHeight);
        if (z >= 0.0f && z <= ceiling)
            return wallShade(hit, z);
        const float reach = z < 0.0f ? -camZ / cotPolar : (ceiling - camZ) / cotPolar;
        const float px = float(pose.position.x) + reach * hit.dirX;
        const float py = float(pose.position.y) + reach * hit.dirY;
        return z < 0.0f ? floorShade(px, py) : ceilingShade(px, py);
    }

private:
    float lighting(float px, float py, float pz, float nx, float ny, float nz) const
    {
        const float lx = float(room.light.x) - px;
        const float ly = float(room.light.y) - py;
        const float lz = lightZ - pz;
        const float d2 = lx * lx + ly * ly + lz * lz;
        const float cosine = std::max(0.0f, (lx * nx + ly * ny + lz * nz) / std::sqrt(d2));
        return 0.48f + 0.8f * cosine / (1.0f + 0.035f * d2);
    }

    Shade wallShade(const ColumnHit &hit, float z) const
    {
        const RoomWall &wall = room.walls[size_t(hit.wall)];
        const float s = hit.along;
        Shade out;
        out.key = kWallKey | quint32(hit.wall) << 24;

        bool done = false;
        for (size_t i = 0; i < wall.features.size() && !done; ++i) {
            const WallFeature &f = wall.features[i];
            if (s < f.left || s > f.right || z < f.bottom || z > f.top)
                continue;
            const FeatureLook look = featureLook(f, float(s - f.left), float(z - f.bottom));
            if (look.covered) {
                out.colour = look.colour;
                out.key |= (quint32(i + 1) << 5 | look.part) << 16;
                done = true;
            }
        }
        if (!done && z < kSkirtingHeight) {
            out.colour = {0.9f, 0.89f, 0.86f};
            out.key |= 0xffu << 16;
            done = true;
        }
        if (!done)
            materialShade(wall.style, s, z, out);

        const float len = lengths[size_t(hit.wall)];
        const float ceiling = float(room.ceilingHeight);
        const float occlusion = 1.0f
            - 0.22f
                * std::min(1.0f,
                           falloff(s, 0.35f) + falloff(len - s, 0.35f) + falloff(ceiling - z, 0.25f)
                               + falloff(z, 0.2f));
        const PlanPoint n = normals[size_t(hit.wall)];
        const float px = float(pose.position.x) + hit.distance * hit.dirX;
        const float py = float(pose.position.y) + hit.distance * hit.dirY;
        out.colour = scaled(out.colour, occlusion * lighting(px, py, z, float(n.x), float(n.y), 0));
        return out;
    }

    void materialShade(const WallStyle &style, float s, float z, Shade &out) const
    {
        const float period = float(style.period);
        switch (style.material) {
        case WallMaterial::Paint:
            out.colour = style.paint;
            return;
        case WallMaterial::Stripes: {
            const int cell = int(std::floor(s / period));
            out.colour = (cell & 1) ? style.accent : style.paint;
            out.key |= quint32(cell) & 0xffffu;
            return;
        }
        case WallMaterial::Panels: {
            const float cells = s / period;
            const int cell = int(std::floor(cells));
            if ((cells - float(cell)) * period < 0.01f) {
                out.colour = style.accent;
                out.key |= (quint32(cell) * 2 + 1) & 0xffffu;
            } else {
                out.colour = scaled(style.paint, 0.93f + 0.14f * cellNoise(room.patternSeed, cell));
                out.key |= (quint32(cell) * 2) & 0xffffu;
            }
            return;
        }
        case WallMaterial::Wainscot:
            if (z < period) {
                out.colour = style.accent;
                out.key |= 1;
            } else if (z < period + 0.05f) {
                out.colour = mix(style.paint, {0.95f, 0.95f, 0.93f}, 0.8f);
                out.key |= 2;
            } else {
                out.colour = style.paint;
            }
            return;
        case WallMaterial::Brick: {
            const int row = int(std::floor(z / period));
            const float shifted = s + ((row & 1) ? 0.12f : 0.0f);
            const int col = int(std::floor(shifted / 0.24f));
            const bool mortar =
                z - float(row) * period < 0.01f || shifted - float(col) * 0.24f < 0.01f;
            if (mortar) {
                out.colour = style.accent;
                out.key |= 1;
            } else {
                out.colour =
                    scaled(style.paint, 0.86f + 0.24f * cellNoise(room.patternSeed, row, col));
                out.key |= (quint32(row * 64 + col) * 2 + 2) & 0xffffu;
            }
            return;
        }
        case WallMaterial::Tiles: {
            const int row = int(std::floor(z / period));
            const int col = int(std::floor(s / period));
            if (z - float(row) * period < 0.006f || s - float(col) * period < 0.006f) {
                out.colour = style.accent;
                out.key |= 1;
            } else {
                out.colour = scaled(mix(style.paint, {1, 1, 1}, 0.12f),
                                    0.97f + 0.06f * cellNoise(room.patternSeed, row, col));
                out.key |= (quint32(row * 64 + col) * 2 + 2) & 0xffffu;
            }
            return;
        }
        }
    }

    Shade floorShade(float px, float py) const
    {
        const FloorStyle &floor = room.floor;
        const float a = floorCos * px + floorSin * py;
        const float b = -floorSin * px + floorCos * py;
        const float width = float(floor.width);
        const float len = float(floor.length);
        Shade out;
        switch (floor.material) {
        case FloorMaterial::Planks: {
            const int row = int(std::floor(b / width));
            const float shifted = a + len * cellNoise(room.patternSeed, row, 7);
            const int col = int(std::floor(shifted / len));
            const float noise = cellNoise(room.patternSeed, row, col);
            if (b - float(row) * width < 0.006f || shifted - float(col) * len < 0.006f) {
                out.colour = floor.joint;
                out.key = kFloorKey | 1;
            } else {
                const float grain = 1.0f + 0.05f * std::sin(shifted * 31.0f + noise * 40.0f);
                out.colour = scaled(floor.base, (0.84f + 0.3f * noise) * grain);
                out.key =
                    kFloorKey | ((quint32(row) * 977u + quint32(col) * 131u) & 0xffffffu) << 1;
            }
            break;
        }
        case FloorMaterial::Tiles: {
            const int row = int(std::floor(b / width));
            const int col = int(std::floor(a / width));
            if (b - float(row) * width < 0.008f || a - float(col) * width < 0.008f) {
                out.colour = floor.joint;
                out.key = kFloorKey | 1;
            } else {
                out.colour =
                    scaled(floor.base, 0.95f + 0.1f * cellNoise(room.patternSeed, row, col));
                out.key =
                    kFloorKey | ((quint32(row) * 977u + quint32(col) * 131u) & 0xffffffu) << 1;
            }
            break;
        }
        case FloorMaterial::Carpet: {
            // Smooth blotches only: a fine weave would shimmer towards the horizon.
            const float ga = a / 0.6f;
            const float gb = b / 0.6f;
            const int ia = int(std::floor(ga));
            const int ib = int(std::floor(gb));
            const float fa = ga - float(ia);
            const float fb = gb - float(ib);
            const float n00 = cellNoise(room.patternSeed, ia, ib);
            const float n10 = cellNoise(room.patternSeed, ia + 1, ib);
            const float n01 = cellNoise(room.patternSeed, ia, ib + 1);
            const float n11 = cellNoise(room.patternSeed, ia + 1, ib + 1);
            const float n =
                (n00 * (1 - fa) + n10 * fa) * (1 - fb) + (n01 * (1 - fa) + n11 * fa) * fb;
            out.colour = scaled(floor.base, 0.9f + 0.2f * n);
            out.key = kFloorKey;
            break;
        }
        }
        out.colour = scaled(out.colour, lighting(px, py, 0.0f, 0, 0, 1));
        return out;
    }

    Shade ceilingShade(float px, float py) const
    {
        const float dx = px - float(room.light.x);
        const float dy = py - float(room.light.y);
        const float d2 = dx * dx + dy * dy;
        const float r = float(room.lightRadius);
        if (d2 < r * r)
            return {{1.0f, 0.98f, 0.92f}, kCeilingKey | 1};
        if (d2 < (r + 0.03f) * (r + 0.03f))
            return {{0.8f, 0.8f, 0.78f}, kCeilingKey | 2};
        return {scaled(room.ceiling, 0.8f + 0.22f / (1.0f + 0.12f * d2)), kCeilingKey};
    }

    const Room &room;
    const CameraPose &pose;
    const QSize size;
    std::vector<PlanPoint> normals;
    std::vector<float> lengths;
    float floorCos = 1.0f;
    float floorSin = 0.0f;
    float lightZ = 0.0f;
};

QRgb toRgb(Rgb c)
{
    auto channel = [](float v) { return std::clamp(int(v * 255.0f + 0.5f), 0, 255); };
    return qRgb(channel(c.r), channel(c.g), channel(c.b));
}

} // namespace

QImage renderPanorama(const Room &room, const CameraPose &pose, const QSize &size)
{
    const int width = size.width();
    const int height = size.height();
    const PanoTracer tracer(room, pose, size);

    // Ray set-up depends only on the column (wall hit) or the row (polar angle), at the pixel
    // centre and at the two supersample offsets.
    constexpr std::array<double, 3> offsets = {0.5, 0.25, 0.75};
    std::array<std::vector<ColumnHit>, 3> columns;
    std::array<std::vector<float>, 3> cotangents;
    for (size_t k = 0; k < offsets.size(); ++k) {
        for (int x = 0; x < width; ++x)
            columns[k].push_back(tracer.column(x + offsets[k]));
        for (int y = 0; y < height; ++y) {
            const double polar = (y + offsets[k]) / height * piDouble;
            cotangents[k].push_back(float(std::cos(polar) / std::sin(polar)));
        }
    }

    QImage image(size, QImage::Format_RGB32);
    std::vector<quint32> keys(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        quint32 *keyLine = keys.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) {
            const Shade s = tracer.shade(columns[0][size_t(x)], cotangents[0][size_t(y)]);
            line[x] = toRgb(s.colour);
            keyLine[x] = s.key;
        }
    }

    // A pixel whose key differs from a neighbour's straddles an edge.
    std::vector<quint8> edge(keys.size(), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            const size_t right = size_t(y) * size_t(width) + size_t((x + 1) % width);
            if (keys[i] != keys[right])
                edge[i] = edge[right] = 1;
            if (y + 1 < height && keys[i] != keys[i + size_t(width)])
                edge[i] = edge[i + size_t(width)] = 1;
        }
    }
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (!edge[size_t(y) * size_t(width) + size_t(x)])
                continue;
            Rgb sum;
            for (size_t cx = 1; cx <= 2; ++cx) {
                for (size_t cy = 1; cy <= 2; ++cy) {
                    const Shade s = tracer.shade(columns[cx][size_t(x)], cotangents[cy][size_t(y)]);
                    sum = {sum.r + s.colour.r, sum.g + s.colour.g, sum.b + s.colour.b};
                }
            }
            line[x] = toRgb(scaled(sum, 0.25f));
        }
    }
    return image;
}

} // namespace wallmatch
