// The skinned windows' outline.
#include "ui/SkinFrame.h"

#include <array>

namespace hublane::ui {
namespace {

// Each vertex as an offset: from the right edge W (or from 0) across, from the bottom H (or from
// 0) down.
struct Vertex {
    bool fromRight;
    int dx;
    bool fromBottom;
    int dy;
};

constexpr std::array<Vertex, 108> kVertices = {{
    {false, 0, false, 0},   {false, 0, true, 0},    {true, -79, true, 0},   {true, -79, true, -1},
    {true, -71, true, -1},  {true, -71, true, -2},  {true, -69, true, -2},  {true, -69, true, -3},
    {true, -64, true, -3},  {true, -64, true, -4},  {true, -61, true, -4},  {true, -61, true, -5},
    {true, -57, true, -5},  {true, -57, true, -6},  {true, -53, true, -6},  {true, -53, true, -7},
    {true, -51, true, -7},  {true, -50, true, -8},  {true, -49, true, -8},  {true, -48, true, -9},
    {true, -47, true, -9},  {true, -43, true, -12}, {true, -41, true, -12}, {true, -40, true, -13},
    {true, -39, true, -13}, {true, -36, true, -16}, {true, -35, true, -16}, {true, -33, true, -18},
    {true, -32, true, -18}, {true, -36, true, -18}, {true, -36, true, -20}, {true, -43, true, -20},
    {true, -43, true, -21}, {true, -45, true, -21}, {true, -45, true, -23}, {true, -44, true, -24},
    {true, -46, true, -24}, {true, -46, true, -25}, {true, -44, true, -27}, {true, -41, true, -27},
    {true, -39, true, -29}, {true, -38, true, -28}, {true, -38, true, -27}, {true, -36, true, -27},
    {true, -36, true, -28}, {true, -37, true, -29}, {true, -35, true, -31}, {true, -34, true, -30},
    {true, -33, true, -30}, {true, -32, true, -29}, {true, -33, true, -30}, {true, -34, true, -30},
    {true, -35, true, -31}, {true, -34, true, -32}, {true, -34, true, -33}, {true, -34, true, -32},
    {true, -37, true, -32}, {true, -37, true, -34}, {true, -36, true, -34}, {true, -36, true, -35},
    {true, -31, true, -35}, {true, -31, true, -34}, {true, -30, true, -34}, {true, -30, true, -36},
    {true, -26, true, -36}, {true, -29, true, -36}, {true, -29, true, -37}, {true, -28, true, -38},
    {true, -30, true, -40}, {true, -30, true, -41}, {true, -28, true, -43}, {true, -18, true, -43},
    {true, -18, true, -44}, {true, -15, true, -44}, {true, -15, true, -43}, {true, -14, true, -43},
    {true, -13, true, -44}, {true, -12, true, -43}, {true, -11, true, -44}, {true, -10, true, -44},
    {true, -10, true, -45}, {true, -9, true, -46},  {true, -9, true, -47},  {true, -8, true, -48},
    {true, -8, true, -50},  {true, -7, true, -51},  {true, -7, true, -52},  {true, -5, true, -54},
    {true, -4, true, -54},  {true, -5, true, -55},  {true, -5, true, -57},  {true, -4, true, -58},
    {true, -4, true, -60},  {true, -5, true, -61},  {true, -5, true, -63},  {true, -3, true, -63},
    {true, -3, true, -62},  {true, -3, true, -63},  {true, -4, true, -63},  {true, -4, true, -65},
    {true, -3, true, -65},  {true, -3, true, -67},  {true, -2, true, -67},  {true, -2, true, -71},
    {true, -1, true, -71},  {true, -1, true, -76},  {true, 0, true, -76},   {true, 0, false, 0},
}};

}  // namespace

std::vector<OutlinePoint> SkinOutline(int clientWidth, int clientHeight) {
    const int w = clientWidth - 1;
    const int h = clientHeight - 1;
    std::vector<OutlinePoint> points;
    points.reserve(kVertices.size());
    for (const Vertex& v : kVertices) {
        points.push_back({(v.fromRight ? w : 0) + v.dx, (v.fromBottom ? h : 0) + v.dy});
    }
    return points;
}

}  // namespace hublane::ui
