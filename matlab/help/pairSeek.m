%PAIRSEEK One pass of the randomised search for a foreground/background pair per unknown pixel.
%   [fgIndex, bgIndex, opacity] = pairSeek(unknownColour, unknownPos, ...
%       fgColour, fgPos, bgColour, bgPos, fgScale, bgScale, indexMap, ...
%       unknownMask, decay, colourWeight, fgIndex, bgIndex, opacity)
%   [...] = pairSeek(..., opacity, seed)
%   pairSeek(...)                         (no outputs: writes in place, see below)
%
%   Each unknown pixel holds a pair (one foreground and one background sample).
%   A pass visits the unknown pixels in list order; each takes the cheapest of
%   its pair, the pairs its 3 x 3 unknown neighbours hold now, and random pairs
%   drawn around its pair with radii nF*decay^k and nB*decay^k (k = 0, 1, ..
%   while both exceed 1). The cost of a pair is
%     colourWeight * (colour misfit of the pixel as a blend of the two samples)
%     + (distance to the foreground sample) / fgScale
%     + (distance to the background sample) / bgScale,
%   and the pixel's opacity is that blend's alpha (not clamped to 0..1).
%
%   Inputs (nU unknown pixels, nF foreground and nB background samples; the
%   first six and indexMap are the outputs of fringeScan as they are):
%     unknownColour  real double, nU x 3 or more: [R G B ...], columns 1..3 read.
%     unknownPos     real double, nU x 2: [row col], 1-based, inside the grid.
%     fgColour       real double, nF x 3 or more.    fgPos  real double, nF x 2, 1-based.
%     bgColour       real double, nB x 3 or more.    bgPos  real double, nB x 2, 1-based.
%     fgScale        real double, nU elements: per-pixel foreground distance scale.
%     bgScale        real double, nU elements: per-pixel background distance scale.
%     indexMap       int32, rows x cols: 1-based row in unknownPos, 0 elsewhere.
%     unknownMask    rows x cols, logical, uint8 or int8: the pixels that offer
%                    their pair to their neighbours; every set pixel needs a
%                    non-zero indexMap entry.
%     decay          real double scalar below 1: radius factor per random round.
%     colourWeight   real double scalar.
%     fgIndex        int32, nU elements, 1-based, in 1..nF: current pairs.
%     bgIndex        int32, nU elements, 1-based, in 1..nB.
%     opacity        real double, rows x cols: each unknown pixel's alpha is
%                    written at its position, the rest is kept.
%     seed           optional real double scalar, an integer in 0..4294967295.
%                    Without it the random source is seeded with the clock in
%                    whole seconds, so two calls within the same second on the
%                    same inputs give the same result.
%
%   With outputs, the updated fgIndex, bgIndex and opacity are returned as new
%   arrays (the first one, two or three of them) and no input is changed.
%
%   Without outputs, pairSeek writes the new fgIndex, bgIndex and opacity into
%   the storage of those three inputs. Octave and MATLAB share an array between
%   variables until one of them is assigned to, so the write reaches EVERY
%   variable that shares that array: after b = a; pairSeek(..., a, ...), b
%   changes too; in Octave even a constant written in a function's code
%   (x = [1 2 3]) keeps the new values for the next call. Octave passes a
%   diagonal matrix (eye(n)) or a range (1:n) as a temporary full copy, so
%   writes into such an opacity are lost. Build the three arrays fresh
%   (zeros, int32(...), or a = b + 0), or better, use the form with outputs.
%
%   Errors have identifiers pairseek:pairSeek:<what> (inputCount, outputCount,
%   class, shape, tooLarge, noSamples, fgIndexRange, bgIndexRange,
%   indexMapRange, maskWithoutIndex, unknownPosRange, decay, seed,
%   outOfMemory); a rejected call changes nothing.
%
%   Example (after fringeScan)
%     nU = size(unknownPos, 1);
%     fgIndex = int32(randi(size(fgPos, 1), nU, 1));
%     bgIndex = int32(randi(size(bgPos, 1), nU, 1));
%     opacity = double(fgMask);
%     s = 10 * ones(nU, 1);
%     for pass = 1:10
%       [fgIndex, bgIndex, opacity] = pairSeek(unknownColour, unknownPos, ...
%           fgColour, fgPos, bgColour, bgPos, s, s, indexMap, unknownMask, ...
%           0.5, 1, fgIndex, bgIndex, opacity, pass);
%     end
%
%   See also FRINGESCAN, BUILDMODULES.
