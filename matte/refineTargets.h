// What the refinement pulls each unknown pixel towards, and how hard: the alpha
// its neighbours' pairs agree on at its colour, and their agreement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "matting.h"
#include "parallelFor.h"

namespace pairseek {

struct TargetParams {
    int radius = 1;              // neighbour pairs from the (2 radius + 1)^2 window
    double fitScale = 0.02;      // colour misfit of a neighbour's pair at which its weight falls to 1/e
    double alphaScale = 0.05;    // alpha error of the own pair (misfit / separation) at which trust falls to 1/e
    double shadeFit = 0.01;      // colour misfit at which a sample in shade no longer explains a colour
    double spreadScale = 0.0125; // spread of the neighbours' alphas at which trust falls to 1/e
    double snap = 0.15;          // targets within snap of 0 or 1 become 0 or 1,
    double snapColour = 0.06;    // as do those whose colour lies this close to B (or F) along the pair's line
    double balancedTrust = 0.125; // trust left where the known foreground and background are equally far
};

// Where the targets are drawn up again against a prior matte (redrawTargets).
struct RedrawParams {
    int radius = 2;             // neighbour pairs from the (2 radius + 1)^2 window
    double priorScale = 0.1;    // distance of a pair's alpha from the prior at which its weight falls to 1/e
    double gap = 0.1;           // targets within gap of the prior stay
};

struct RefineTargets {
    std::vector<double> target, confidence;   // one per unknown pixel, in the scan's order
};

// Per unknown pixel i of colour I: every unknown pixel j of its window (i itself
// too) lends its pair (F_j, B_j); on I it gives a_j = clamp((I - B_j).(F_j - B_j) /
// |F_j - B_j|^2, 0, 1) and misfit m_j = |I - B_j - a_j (F_j - B_j)|^2, weight
// w_j = exp(-m_j / fitScale^2). The target is sum w_j a_j / sum w_j (the own
// clamped alpha if every weight is 0). With d = |F_i - B_i| of the pixel's own pair,
// the target snaps: an alpha t goes to 0 when t < snap or t d < snapColour, to 1 when
// t > 1 - snap or (1 - t) d < snapColour, and to the nearer of the two when both
// hold (the search's small residues on pure pixels are noise more often than faint
// strands, and how faint a strand can be told from noise is a colour distance, not
// an alpha). The spread s = sqrt(sum w_j (snap(a_j) - target)^2 / sum w_j) is the
// neighbours' disagreement on the target as used: alphas that snap alike agree.
// With m_i the misfit of the own pair and h_F, h_B the squared distances from I to
// the segments from black to F_i and to B_i (that sample in shade), the confidence
// is exp(-e^2 / alphaScale^2 - s^2 / spreadScale^2), 0 if d is 0, where e^2 = m_i / d^2
// + (1 - target)^2 exp(-h_F / shadeFit^2) + target^2 exp(-h_B / shadeFit^2) sums
// alpha errors: sqrt(m_i) / d is the one the colour misfit allows along the pair's
// line (a misfit matters more on a pair of near colours); a colour that is a darker
// copy of F may be an opaque strand in shade, one of B background in shadow, so the
// target is then uncertain by its distance to 1 (to 0); and where pairs that fit
// the colour disagree on its alpha the smoothness term decides.
// Pairs are 0-based indices into the sample records; sums run R, G, B in that
// order and over the window column by column, top to bottom. Runs in parts of
// pixels on `parallel`; the result does not depend on how.
RefineTargets refineTargets(const FringeScanResult& scan, const std::int32_t* fgIndex, const std::int32_t* bgIndex,
                            std::ptrdiff_t rows, std::ptrdiff_t cols, const TargetParams& params = {},
                            const ParallelFor& parallel = {});

// The confidence scaled by how lopsided the pixel's place in the band is: with
// dF, dB the distances to the nearest foreground and background sample of the
// fringe (the known pixels next to the band: the search's first pairs) and
// b = (dF - dB) / (dF + dB), by balancedTrust + (1 - balancedTrust) b^2. Where
// both sides are about equally near, the smoothness term has both to interpolate
// between and reads the blend from the colours; it is often right where the pairs
// are not (a veil over a backdrop the fringe does not show). Where one side is far
// (a hole deep in the foreground, a strand far out over the background), it has
// little to go by and the pairs keep their full weight. Distances are positive,
// one per unknown pixel in the scan's order; runs in parts on `parallel`.
void weighByBalance(std::vector<double>& confidence, const double* foregroundDistance,
                    const double* backgroundDistance, double balancedTrust, const ParallelFor& parallel = {});

// The targets drawn up again with a prior: prior holds one alpha per unknown
// pixel in the scan's order (the band solve's smooth start). Where |target - prior| >
// redraw.gap the target becomes the snapped weighted mean of the pairs of the
// pixel's (2 redraw.radius + 1)^2 window as in refineTargets, each weight times
// exp(-((a_j - prior) / priorScale)^2): of the pairs that fit the colour about
// equally well, the ones that agree with the smooth matte win. Where no pair
// fits both, the target stays; so does the confidence everywhere (it says how
// far the pairs agree, which the prior does not change). Runs in parts of pixels
// on `parallel`; the result does not depend on how.
void redrawTargets(const FringeScanResult& scan, const std::int32_t* fgIndex, const std::int32_t* bgIndex,
                   std::ptrdiff_t rows, std::ptrdiff_t cols, const double* prior, std::vector<double>& target,
                   const TargetParams& params = {}, const RedrawParams& redraw = {}, const ParallelFor& parallel = {});

}  // namespace pairseek
