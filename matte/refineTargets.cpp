// Gathered targets and their confidence (see refineTargets.h).
#include "refineTargets.h"

#include <algorithm>
#include <cmath>

#include "hugePages.h"

namespace pairseek {
namespace {

struct Blend {
    double alpha, misfit2, separation2;
};

// The clamped alpha of colour p on the line from b to f, the squared distance
// from p to that blend and |f - b|^2.
Blend blendOf(const SampleRecord& p, const SampleRecord& f, const SampleRecord& b) {
    const double span[3] = {f.red - b.red, f.green - b.green, f.blue - b.blue};
    const double offset[3] = {p.red - b.red, p.green - b.green, p.blue - b.blue};
    const double separation2 = (span[0] * span[0] + span[1] * span[1]) + span[2] * span[2];
    double alpha = ((offset[0] * span[0] + offset[1] * span[1]) + offset[2] * span[2]) / std::max(separation2, 1e-12);
    alpha = std::min(std::max(alpha, 0.0), 1.0);
    double misfit2 = 0;
    for (int k = 0; k < 3; ++k) {
        const double misfit = offset[k] - alpha * span[k];
        misfit2 += misfit * misfit;
    }
    return {alpha, misfit2, separation2};
}

// Squared distance from p to the segment from black to s: how well s in shade explains p.
double shadeMisfit2(const SampleRecord& p, const SampleRecord& s) {
    const double colour[3] = {s.red, s.green, s.blue}, q[3] = {p.red, p.green, p.blue};
    const double norm2 = (colour[0] * colour[0] + colour[1] * colour[1]) + colour[2] * colour[2];
    double k = norm2 > 0 ? ((q[0] * colour[0] + q[1] * colour[1]) + q[2] * colour[2]) / norm2 : 0.0;
    k = std::min(std::max(k, 0.0), 1.0);
    double misfit2 = 0;
    for (int c = 0; c < 3; ++c) misfit2 += (q[c] - k * colour[c]) * (q[c] - k * colour[c]);
    return misfit2;
}

// distance^2 exp(-shadeMisfit2(p, s) / shadeFit2), the error a sample s in shade
// allows. Most targets are snapped, so one of their two distances is 0: the term
// is then +0 without the exp, as colours are finite (the inputs are checked).
double shadeError2(double distance, const SampleRecord& p, const SampleRecord& s, double shadeFit2) {
    if (distance == 0) return 0.0;
    return distance * distance * std::exp(-shadeMisfit2(p, s) / shadeFit2);
}

// An alpha as the targets take it near 0 and 1 (see refineTargets.h); separation is |F - B|.
double snapped(double alpha, double separation, const TargetParams& params) {
    const bool nearZero = alpha < params.snap || alpha * separation < params.snapColour;
    const bool nearOne = alpha > 1 - params.snap || (1 - alpha) * separation < params.snapColour;
    if (nearZero && nearOne) return alpha < 0.5 ? 0.0 : 1.0;
    if (nearZero) return 0.0;
    if (nearOne) return 1.0;
    return alpha;
}

// A pair as one value, so that spotting it again takes one comparison.
std::uint64_t pairKey(std::int32_t fg, std::int32_t bg) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(fg)) << 32 | static_cast<std::uint32_t>(bg);
}

// Unknown pixels per part: each pixel reads its neighbours' pairs and writes only its own target.
constexpr std::ptrdiff_t targetPart = 16384;

// The pairs of a pixel's window on its colour: per slot the blend's alpha and the
// pair's weight, exp(-misfit^2 / fitScale^2), times exp(-((alpha - prior) /
// priorScale)^2) when a prior is given; and the pixel's own pair's blend, which the
// window holds too. Neighbours often hold the same pair (the search spreads
// pairs): each pair is scored once.
class WindowPairs {
public:
    WindowPairs(const FringeScanResult& scan, const std::int32_t* fgIndex, const std::int32_t* bgIndex,
                std::ptrdiff_t rows, std::ptrdiff_t cols, int radius, double fitScale)
        : scan_(scan), fgIndex_(fgIndex), bgIndex_(bgIndex), rows_(rows), cols_(cols), radius_(radius),
          fitScale2_(fitScale * fitScale) {
        const auto slots = static_cast<std::size_t>((2 * radius + 1) * (2 * radius + 1));
        alpha.resize(slots);
        weight.resize(slots);
        seen_.resize(slots);
        blend_.resize(slots);
    }

    // Fills alpha and weight for unknown pixel i, and their sums; returns the slots
    // filled. The window is read column by column, top to bottom.
    std::size_t gather(std::size_t i, const double* prior = nullptr, double priorScale = 1) {
        const SampleRecord& p = scan_.unknown[i];
        const auto pr = static_cast<std::ptrdiff_t>(p.row) - 1, pc = static_cast<std::ptrdiff_t>(p.col) - 1;
        const std::ptrdiff_t r = radius_;
        std::size_t n = 0;
        weightSum = alphaSum = 0;
        for (std::ptrdiff_t qc = pc - r; qc <= pc + r; ++qc)
            for (std::ptrdiff_t qr = pr - r; qr <= pr + r; ++qr) {
                if (qr < 0 || qr >= rows_ || qc < 0 || qc >= cols_) continue;
                const std::int32_t rank = scan_.indexMap[static_cast<std::size_t>(qr + qc * rows_)];
                if (rank <= 0) continue;
                const auto j = static_cast<std::size_t>(rank - 1);
                const std::uint64_t pair = pairKey(fgIndex_[j], bgIndex_[j]);
                std::size_t seen = 0;
                while (seen < n && seen_[seen] != pair) ++seen;
                if (seen < n) {
                    alpha[n] = alpha[seen];
                    weight[n] = weight[seen];
                    blend_[n] = blend_[seen];
                } else {
                    const Blend blend = blendOf(p, scan_.foreground[static_cast<std::size_t>(fgIndex_[j])],
                                                scan_.background[static_cast<std::size_t>(bgIndex_[j])]);
                    blend_[n] = blend;
                    alpha[n] = blend.alpha;
                    weight[n] = std::exp(-blend.misfit2 / fitScale2_);
                    if (prior) {
                        const double off = (blend.alpha - prior[i]) / priorScale;
                        weight[n] *= std::exp(-off * off);
                    }
                }
                seen_[n] = pair;
                if (j == i) own_ = n;
                weightSum += weight[n];
                alphaSum += weight[n] * alpha[n];
                ++n;
            }
        return n;
    }

    // The blend of the own pair on the pixel's colour, from the last gather.
    const Blend& own() const { return blend_[own_]; }

    std::vector<double> alpha, weight;
    double weightSum = 0, alphaSum = 0;   // sum of weight, and of weight times alpha

private:
    const FringeScanResult& scan_;
    const std::int32_t *fgIndex_, *bgIndex_;
    std::ptrdiff_t rows_, cols_;
    int radius_;
    double fitScale2_;
    std::vector<std::uint64_t> seen_;   // the pairs of the slots filled, as pairKey
    std::vector<Blend> blend_;
    std::size_t own_ = 0;               // the slot of the pixel itself
};

}  // namespace

RefineTargets refineTargets(const FringeScanResult& scan, const std::int32_t* fgIndex, const std::int32_t* bgIndex,
                            std::ptrdiff_t rows, std::ptrdiff_t cols, const TargetParams& params,
                            const ParallelFor& parallel) {
    const std::size_t nU = scan.unknown.size();
    RefineTargets out;
    resizeAdvised(out.target, nU, parallel);
    resizeAdvised(out.confidence, nU, parallel);
    const double spreadScale2 = params.spreadScale * params.spreadScale;
    const double alphaScale2 = params.alphaScale * params.alphaScale;
    const double shadeFit2 = params.shadeFit * params.shadeFit;
    inParts(static_cast<std::ptrdiff_t>(nU), targetPart, parallel, [&](std::ptrdiff_t first, std::ptrdiff_t last) {
        WindowPairs window(scan, fgIndex, bgIndex, rows, cols, params.radius, params.fitScale);
        const std::vector<double>& alpha = window.alpha;
        const std::vector<double>& weight = window.weight;
        for (auto i = static_cast<std::size_t>(first); i < static_cast<std::size_t>(last); ++i) {
            const SampleRecord& p = scan.unknown[i];
            const std::size_t n = window.gather(i);
            const double weightSum = window.weightSum, alphaSum = window.alphaSum;
            const SampleRecord& f = scan.foreground[static_cast<std::size_t>(fgIndex[i])];
            const SampleRecord& b = scan.background[static_cast<std::size_t>(bgIndex[i])];
            const Blend& own = window.own();
            const double separation = std::sqrt(own.separation2);
            // The own pair's alpha when no neighbour's pair fits.
            const double target = snapped(weightSum > 0 ? alphaSum / weightSum : own.alpha, separation, params);
            // The disagreement on the target as used: neighbours' alphas that snap the same way agree.
            double spread2 = 0;
            if (weightSum > 0) {
                for (std::size_t k = 0; k < n; ++k) {
                    const double miss = snapped(alpha[k], separation, params) - target;
                    spread2 += weight[k] * miss * miss;
                }
                spread2 /= weightSum;
            }
            // Alpha errors: the one the own pair's colour misfit allows, the distance to the
            // end that a sample in shade would explain the colour by, and the spread.
            const double separation2 = separation * separation;
            const double toOne = 1 - target;
            const double shade2 = shadeError2(toOne, p, f, shadeFit2) + shadeError2(target, p, b, shadeFit2);
            out.confidence[i] = separation2 > 0 ? std::exp(-(own.misfit2 / separation2 + shade2) / alphaScale2 -
                                                           spread2 / spreadScale2)
                                                : 0.0;
            out.target[i] = target;
        }
    });
    return out;
}

void weighByBalance(std::vector<double>& confidence, const double* foregroundDistance,
                    const double* backgroundDistance, double balancedTrust, const ParallelFor& parallel) {
    inParts(static_cast<std::ptrdiff_t>(confidence.size()), targetPart, parallel,
            [&](std::ptrdiff_t first, std::ptrdiff_t last) {
                for (auto i = static_cast<std::size_t>(first); i < static_cast<std::size_t>(last); ++i) {
                    const double dF = foregroundDistance[i], dB = backgroundDistance[i];
                    const double lopsided = (dF - dB) / (dF + dB);
                    confidence[i] *= balancedTrust + (1 - balancedTrust) * (lopsided * lopsided);
                }
            });
}

void redrawTargets(const FringeScanResult& scan, const std::int32_t* fgIndex, const std::int32_t* bgIndex,
                   std::ptrdiff_t rows, std::ptrdiff_t cols, const double* prior, std::vector<double>& target,
                   const TargetParams& params, const RedrawParams& redraw, const ParallelFor& parallel) {
    const std::size_t nU = scan.unknown.size();
    inParts(static_cast<std::ptrdiff_t>(nU), targetPart, parallel, [&](std::ptrdiff_t first, std::ptrdiff_t last) {
        WindowPairs window(scan, fgIndex, bgIndex, rows, cols, redraw.radius, params.fitScale);
        for (auto i = static_cast<std::size_t>(first); i < static_cast<std::size_t>(last); ++i) {
            if (std::fabs(target[i] - prior[i]) <= redraw.gap) continue;
            window.gather(i, prior, redraw.priorScale);
            if (!(window.weightSum > 0)) continue;   // no pair fits both the colour and the prior
            target[i] = snapped(window.alphaSum / window.weightSum, std::sqrt(window.own().separation2), params);
        }
    });
}

}  // namespace pairseek
