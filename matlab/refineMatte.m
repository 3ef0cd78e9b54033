function alpha = refineMatte(image, unknownMask, sampledAlpha, confidence, varargin)
%REFINEMATTE Smooth, edge-aware matte from sampled alphas weighted by their confidence.
%   alpha = refineMatte(image, unknownMask, sampledAlpha, confidence) turns the pair
%   search's per-pixel alphas into the final matte.
%
%   image         rows x cols x 3 double in [0, 1] (rows x cols gray is accepted).
%   unknownMask   rows x cols logical (or numeric, non-zero = unknown).
%   sampledAlpha  rows x cols double: the search's alpha at the unknown pixels, the
%                 known alpha (0 or 1) elsewhere; known pixels are returned unchanged.
%   confidence    nU x 1 double in [0, 1], one per unknown pixel in column-major order
%                 (fringeScan's list order), as pairConfidence returns it.
%
%   alpha         rows x cols double: in [0, 1] at the unknown pixels, sampledAlpha elsewhere.
%
%   Before either method, sampled alphas within Snap of 0 or 1 become 0 or 1: the
%   search's small residues on pure pixels are noise more often than faint strands.
%
%   Options (name, value pairs; names in any case):
%     'Method'     'laplacian' (default): minimise alpha' * L * alpha + sum of
%                  Lambda * confidence * (alpha - sampled)^2 over the unknown pixels,
%                  L the closed-form matting Laplacian, the known pixels fixed: a
%                  sparse solve over the unknown band only by conjugate gradients
%                  started from the 'guided' matte: in the refineBand module (Jacobi
%                  preconditioner) when it is built, else Octave's pcg with an
%                  incomplete Cholesky factor.
%                  'guided': a confidence-weighted guided filter of the sampled alpha,
%                  with the known pixels as fully trusted data; faster, less exact.
%     'Lambda'     weight of the sampled alphas against smoothness (default 0.03)
%     'Snap'       0 <= Snap < 0.5 (default 0.15)
%     'Radius'     window radius (default 1 for 'laplacian', 12 for 'guided')
%     'Epsilon'    regulariser of the window colour models (default 1e-7)
%     'Tolerance'  relative residual at which pcg stops (default 1e-3)
%   The defaults were tuned on the four shared test cases (test, synth1-3).
%
%   Errors have the identifiers pairseek:refineMatte:<what>.
%
%   Example (after pairSeek, see pairMatte):
%     confidence = pairConfidence(unknownColour, fgColour, bgColour, fgIndex, bgIndex);
%     alpha = refineMatte(image, unknownMask, alpha, confidence);
%
%   See also pairConfidence, pairMatte.

guidedRadius = 12;
options = struct('Method', 'laplacian', 'Lambda', 0.03, 'Snap', 0.15, 'Radius', [], ...
                 'Epsilon', 1e-7, 'Tolerance', 1e-3);
options = nameValueOptions(options, varargin, 'refineMatte');
options = checkOptions(options, guidedRadius);
[image, unknownMask, sampledAlpha, confidence] = checkInputs(image, unknownMask, sampledAlpha, confidence);

alpha = sampledAlpha;
unknownCell = find(unknownMask);
if isempty(unknownCell)
    return;
end
sampled = min(max(sampledAlpha(unknownCell), 0), 1);
target = sampled;
target(sampled < options.Snap) = 0;
target(sampled > 1 - options.Snap) = 1;

switch options.Method
    case 'laplacian'
        if exist('refineBand') == 3   % the compiled module: same solve, a fraction of the time
            alpha(unknownCell) = refineBand(image, unknownMask, sampledAlpha, target, confidence, ...
                                            options.Lambda, options.Radius, options.Epsilon, options.Tolerance);
            return;
        end
        % The guided filter's matte is a close start: pcg then needs few iterations.
        start = filterBand(image, unknownMask, sampledAlpha, target, confidence, guidedRadius, options.Epsilon);
        start = min(max(start, 0), 1);
        refined = solveBand(image, unknownMask, sampledAlpha, target, options.Lambda * confidence, start, options);
    case 'guided'
        refined = filterBand(image, unknownMask, sampledAlpha, target, confidence, options.Radius, options.Epsilon);
end
alpha(unknownCell) = min(max(refined, 0), 1);
end

function x = solveBand(image, unknownMask, knownAlpha, target, weight, start, options)
% (L + diag(weight)) x = weight .* target - L_uk * alpha_k, L stored as its lower triangle.
% A pixel whose windows all lie outside the image has no row in L: the floor keeps
% the system definite there, and is too small to matter elsewhere.
weight = max(weight, 1e-9);
[triangle, knownPart] = bandLaplacian(image, unknownMask, knownAlpha, options.Radius, options.Epsilon, weight);
d = full(diag(triangle));
multiply = @(v) triangle * v + (v' * triangle)' - d .* v;   % v' * triangle forms no transposed copy
rhs = weight .* target - knownPart;
try
    % The matting Laplacian is no M-matrix: the plain factorisation may meet a
    % negative pivot, a slightly strengthened diagonal does not.
    factor = ichol(triangle, struct('type', 'nofill', 'diagcomp', 0.05));
    [x, ~] = pcg(multiply, rhs, options.Tolerance, 1000, factor, factor', start);
catch
    [x, ~] = pcg(multiply, rhs, options.Tolerance, 1000, @(r) r ./ d, [], start);
end
end

function x = filterBand(image, unknownMask, sampledAlpha, target, confidence, radius, epsilon)
% Guided filter over the unknown pixels' bounding box grown by the window radius.
[rows, cols] = size(unknownMask);
[r, c] = find(unknownMask);
r0 = max(min(r) - radius, 1);
r1 = min(max(r) + radius, rows);
c0 = max(min(c) - radius, 1);
c1 = min(max(c) + radius, cols);
inBox = unknownMask(r0:r1, c0:c1);
boxTarget = sampledAlpha(r0:r1, c0:c1);
boxTarget(inBox) = target;
% Known pixels are exact data; the floor keeps every window's fit defined.
boxWeight = double(~inBox);
boxWeight(inBox) = confidence + 1e-3;
filtered = guidedMatte(image(r0:r1, c0:c1, :), boxTarget, boxWeight, radius, epsilon);
x = filtered(inBox);
end

function options = checkOptions(options, guidedRadius)
method = options.Method;
if ~ischar(method) || ~any(strcmpi(method, {'laplacian', 'guided'}))
    error('pairseek:refineMatte:Method', 'option Method must be ''laplacian'' or ''guided''');
end
options.Method = lower(method);
if isempty(options.Radius)
    if strcmp(options.Method, 'laplacian')
        options.Radius = 1;
    else
        options.Radius = guidedRadius;
    end
end
checkNumber(options.Lambda, 'Lambda', @(v) v > 0 && isfinite(v), 'a finite number > 0');
checkNumber(options.Snap, 'Snap', @(v) v >= 0 && v < 0.5, 'a number with 0 <= Snap < 0.5');
checkNumber(options.Radius, 'Radius', @(v) v >= 1 && v == floor(v) && isfinite(v), 'a positive integer');
checkNumber(options.Epsilon, 'Epsilon', @(v) v > 0 && isfinite(v), 'a finite number > 0');
checkNumber(options.Tolerance, 'Tolerance', @(v) v > 0 && v < 1, 'a number with 0 < Tolerance < 1');
options.Lambda = double(options.Lambda);
options.Snap = double(options.Snap);
options.Radius = double(options.Radius);
options.Epsilon = double(options.Epsilon);
options.Tolerance = double(options.Tolerance);
end

function checkNumber(value, name, test, expected)
if ~(isnumeric(value) && isreal(value) && isscalar(value)) || ~test(double(value))
    error(['pairseek:refineMatte:' name], 'option %s must be %s', name, expected);
end
end

function [image, unknownMask, sampledAlpha, confidence] = checkInputs(image, unknownMask, sampledAlpha, confidence)
[rows, cols, planes] = size(image);
if ~isfloat(image) || ~isreal(image) || ndims(image) > 3 || ~any(planes == [1 3])
    error('pairseek:refineMatte:image', 'image must be a real double rows x cols x 3 (or gray) array in [0, 1]');
end
image = double(image);
if planes == 1
    image = repmat(image, [1 1 3]);
end
if ~isequal(size(unknownMask), [rows, cols]) || ~isequal(size(sampledAlpha), [rows, cols])
    error('pairseek:refineMatte:sizeMismatch', 'unknownMask and sampledAlpha must be %dx%d like the image', rows, cols);
end
if ~isreal(sampledAlpha) || ~isnumeric(sampledAlpha)
    error('pairseek:refineMatte:sampledAlpha', 'sampledAlpha must be real numbers');
end
unknownMask = full(logical(unknownMask));
sampledAlpha = full(double(sampledAlpha));
nU = nnz(unknownMask);
if ~isnumeric(confidence) || ~isreal(confidence) || numel(confidence) ~= nU
    error('pairseek:refineMatte:confidence', 'confidence must hold %d real numbers (one per unknown pixel); got %d', ...
          nU, numel(confidence));
end
confidence = double(confidence(:));
if ~all(isfinite(image(:))) || ~all(isfinite(sampledAlpha(:))) || any(~(confidence >= 0 & confidence <= 1))
    error('pairseek:refineMatte:nonFinite', 'image and sampledAlpha must be finite and confidence in [0, 1]');
end
end
