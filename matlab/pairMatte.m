function [alpha, foreground] = pairMatte(image, trimap, varargin)
%PAIRMATTE Alpha matte of an image from its trimap, by the randomised pair search.
%   [alpha, foreground] = pairMatte(image, trimap) estimates the opacity of every
%   unknown pixel of the trimap. For each unknown pixel it picks one foreground and
%   one background boundary sample (fringeScan) by passes of the pair search
%   (pairSeek), starting from the nearest samples.
%
%   image    rows x cols x 3 (or rows x cols gray): double or single in [0, 1], or
%            uint8 / uint16 (scaled to [0, 1]). Every value must be finite.
%   trimap   rows x cols (or rows x cols x 3, first channel used):
%            uint8: 0 background, 255 foreground, any other value unknown;
%            double, single or logical: 0 background, 1 foreground, other values unknown.
%
%   alpha       rows x cols double in [0, 1]; 0 and 1 on the trimap's known pixels.
%   foreground  rows x cols x 3 double: at an unknown pixel the colour of its chosen
%               foreground sample, the image itself on the known foreground, 0 on the
%               background; composite with alpha .* foreground + (1 - alpha) .* newBack.
%
%   Options (name, value pairs; names in any case):
%     'Passes'        search passes, a positive integer (default 10)
%     'Decay'         shrink factor of the random search radii, 0 <= Decay < 1 (default 0.5)
%     'ColourWeight'  weight of the colour misfit against the spatial terms (default 150)
%     'Seed'          integer 0..4294967295 (default 1): the same call gives the same matte
%     'Refine'        true: turn the sampled alphas into a smooth, edge-aware matte with
%                     refineMatte, each weighted by its pair's confidence (default true);
%                     false: the search's own alphas, clamped
%     'Verbose'       true: print fringeScan's counts, one line per pass and the
%                     refinement time (default false)
%
%   A trimap without unknown pixels returns its own alpha at once. Errors have the
%   identifiers pairseek:pairMatte:<what>.
%
%   Example:
%     image = imread('data/synth1_image.png');
%     trimap = imread('data/synth1_trimap.png');
%     [alpha, foreground] = pairMatte(image, trimap, 'Verbose', true);
%     imwrite(alpha, 'alpha.png');
%
%   See also fringeScan, pairSeek, refineMatte, pairConfidence.

started = tic;
options = matteOptions(varargin);
image = unitImage(image);
[rows, cols, ~] = size(image);
[fgMask, bgMask, unknownMask] = trimapMasks(trimap, rows, cols);
if ~all(isfinite(image(:)))
    error('pairseek:pairMatte:nonFinite', 'image must hold finite values; it has %d NaN or Inf', ...
          sum(~isfinite(image(:))));
end

alpha = double(fgMask);
foreground = image .* alpha;
if ~any(unknownMask(:))
    return;
end

if options.Verbose
    [fgPos, fgColour, bgPos, bgColour, unknownPos, unknownColour, indexMap] = ...
        fringeScan(image, fgMask, bgMask, unknownMask);
else
    % fringeScan prints its counts line on every call; keep the console quiet.
    evalc(['[fgPos, fgColour, bgPos, bgColour, unknownPos, unknownColour, indexMap] = ' ...
           'fringeScan(image, fgMask, bgMask, unknownMask);']);
end
nU = size(unknownPos, 1);
if isempty(fgPos)
    error('pairseek:pairMatte:noForeground', ['the %d unknown pixels touch no foreground pixel; ' ...
          'the trimap needs foreground next to its unknown region'], nU);
end
if isempty(bgPos)
    error('pairseek:pairMatte:noBackground', ['the %d unknown pixels touch no background pixel; ' ...
          'the trimap needs background next to its unknown region'], nU);
end

% Scales: the distance to the nearest foreground and background boundary sample,
% which is also the initial pair. Every sample touches the unknown region, so the
% unknown pixels' bounding box grown by one pixel holds them all.
first = max(min(unknownPos, [], 1) - 1, 1);
last = min(max(unknownPos, [], 1) + 1, [rows, cols]);
boxSize = last - first + 1;
boxCell = (unknownPos(:, 1) - first(1) + 1) + (unknownPos(:, 2) - first(2)) * boxSize(1);
[distance, nearest] = nearestSample(boxSize(1), boxSize(2), {fgPos - (first - 1), bgPos - (first - 1)}, boxCell);
% A trimap's masks are disjoint, so no unknown pixel is a sample and every distance
% is at least 1; the floor keeps the costs finite even if that ever changed.
fgScale = max(distance(:, 1), 1);
bgScale = max(distance(:, 2), 1);
fgIndex = int32(nearest(:, 1));
bgIndex = int32(nearest(:, 2));

opacity = zeros(rows, cols);
seed = options.Seed;
for pass = 1:options.Passes
    [nextFg, nextBg, opacity] = pairSeek(unknownColour, unknownPos, fgColour, fgPos, bgColour, bgPos, ...
        fgScale, bgScale, indexMap, unknownMask, options.Decay, options.ColourWeight, ...
        fgIndex, bgIndex, opacity, seed);
    if options.Verbose
        changed = sum(nextFg ~= fgIndex | nextBg ~= bgIndex);
        fprintf('pairMatte: pass %d of %d, %.3f s, pair changed at %.2f %% of %d unknown pixels\n', ...
                pass, options.Passes, toc(started), 100 * changed / nU, nU);
    end
    fgIndex = nextFg;
    bgIndex = nextBg;
    seed = mod(seed + 2654435769, 4294967296);   % a fresh, well spread seed per pass
end

unknownCell = unknownPos(:, 1) + (unknownPos(:, 2) - 1) * rows;
alpha(unknownCell) = min(max(opacity(unknownCell), 0), 1);
if options.Refine
    refining = tic;
    confidence = pairConfidence(unknownColour, fgColour, bgColour, fgIndex, bgIndex);
    alpha = refineMatte(image, unknownMask, alpha, confidence);
    if options.Verbose
        fprintf('pairMatte: refined in %.3f s, %.3f s in all\n', toc(refining), toc(started));
    end
end
foreground(unknownCell + (0:2) * rows * cols) = fgColour(fgIndex, 1:3);
end

function options = matteOptions(args)
% Name, value pairs into a struct of checked options.
defaults = struct('Passes', 10, 'Decay', 0.5, 'ColourWeight', 150, 'Seed', 1, 'Refine', true, 'Verbose', false);
options = nameValueOptions(defaults, args, 'pairMatte');
names = fieldnames(options);
for k = 1:numel(names)
    name = names{k};
    value = options.(name);
    scalar = isnumeric(value) && isreal(value) && isscalar(value);
    switch name
        case 'Passes'
            ok = scalar && value >= 1 && value == floor(value) && isfinite(value);
            expected = 'a positive integer';
        case 'Decay'
            ok = scalar && value >= 0 && value < 1;
            expected = 'a number with 0 <= Decay < 1';
        case 'ColourWeight'
            ok = scalar && value >= 0 && isfinite(value);
            expected = 'a finite number >= 0';
        case 'Seed'
            ok = scalar && value >= 0 && value <= 4294967295 && value == floor(value);
            expected = 'an integer in 0..4294967295';
        otherwise
            ok = (islogical(value) || isnumeric(value)) && isscalar(value) && isreal(value) && ~isnan(value);
            expected = 'true or false';
    end
    if ~ok
        error(['pairseek:pairMatte:' name], 'option %s must be %s', name, expected);
    end
    if any(strcmp(name, {'Refine', 'Verbose'}))
        options.(name) = logical(value);
    else
        options.(name) = double(value);
    end
end
end

function image = unitImage(image)
% Any accepted image as rows x cols x 3 doubles in [0, 1].
if ndims(image) > 3 || ~any(size(image, 3) == [1 3])
    error('pairseek:pairMatte:imageSize', 'image must be rows x cols x 3 or rows x cols; got %s', ...
          sizeText(image));
end
switch class(image)
    case {'double', 'single'}
        if ~isreal(image)
            error('pairseek:pairMatte:imageClass', 'image must be real; got a complex array');
        end
        image = double(image);
    case 'uint8'
        image = double(image) / 255;
    case 'uint16'
        image = double(image) / 65535;
    otherwise
        error('pairseek:pairMatte:imageClass', 'image must be double, single, uint8 or uint16; got %s', ...
              class(image));
end
if issparse(image)
    image = full(image);
end
if size(image, 3) == 1
    image = repmat(image, [1 1 3]);
end
end

function [fgMask, bgMask, unknownMask] = trimapMasks(trimap, rows, cols)
% The three disjoint masks of a trimap, checked against the image size.
if ndims(trimap) > 3 || ~any(size(trimap, 3) == [1 3]) || size(trimap, 1) ~= rows || size(trimap, 2) ~= cols
    error('pairseek:pairMatte:sizeMismatch', ['trimap must be %dx%d or %dx%dx3 like the image; ' ...
          'got %s'], rows, cols, rows, cols, sizeText(trimap));
end
trimap = trimap(:, :, 1);
switch class(trimap)
    case 'uint8'
        foregroundValue = 255;
    case {'double', 'single', 'logical'}
        foregroundValue = 1;
    otherwise
        error('pairseek:pairMatte:trimapClass', 'trimap must be uint8, double, single or logical; got %s', ...
              class(trimap));
end
if ~isreal(trimap)
    error('pairseek:pairMatte:trimapClass', 'trimap must be real; got a complex array');
end
fgMask = trimap == foregroundValue;
bgMask = trimap == 0;
unknownMask = ~(fgMask | bgMask);
if issparse(unknownMask)
    fgMask = full(fgMask);
    bgMask = full(bgMask);
    unknownMask = full(unknownMask);
end
end

function text = sizeText(a)
text = sprintf('%dx', size(a));
text = text(1:end - 1);
end
