// Scores one foreground/background pair for one unknown pixel. The grouping of
// every sum is fixed: results are reproduced to the last bit (build with
// -ffp-contract=off so no multiply-add is fused).
#include <cmath>

#include "matting.h"

namespace pairseek {

PairEvaluation pairCost(const Rgb& I, const Rgb& F, const Rgb& B, const Point& P, const Point& M, const Point& Q,
                        double sF, double sB, double colourWeight) {
    const double d0 = F.red - B.red;
    const double d1 = F.green - B.green;
    const double d2 = F.blue - B.blue;
    const double denom = d0 * d0 + d1 * d1 + d2 * d2;
    if (denom == 0.0) return {identicalColourCost, 0.0};

    const double alpha = ((I.red - B.red) * d0 + (I.green - B.green) * d1 + (I.blue - B.blue) * d2) / denom;
    const double beta = 1.0 - alpha;
    const double e0 = I.red - (beta * B.red + alpha * F.red);
    const double e1 = I.green - (beta * B.green + alpha * F.green);
    const double e2 = I.blue - (beta * B.blue + alpha * F.blue);
    const double colourDist = std::sqrt(e0 * e0 + e1 * e1 + e2 * e2);

    // Squares as products, not pow(): a product rounds the same with every libm.
    const double fr = P.row - M.row, fc = P.col - M.col;
    const double br = P.row - Q.row, bc = P.col - Q.col;
    const double dF = std::sqrt(fr * fr + fc * fc);
    const double dB = std::sqrt(br * br + bc * bc);

    return {dB / sB + (colourWeight * colourDist + dF / sF), alpha};
}

}  // namespace pairseek
