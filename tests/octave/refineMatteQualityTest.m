function refineMatteQualityTest()
%REFINEMATTEQUALITYTEST The refined matte of synth1 within its SAD bound, below the
%   closed-form matting figure (0.151) and well below the search's own matte. The
%   search runs as pairMatte's does by default (nearest samples as the first pairs
%   and the scales, 10 passes, decay 0.5, colour weight 150, seed 1). Uses
%   ../shared/data beside the repository when present, else the copy in data/.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  folder = fullfile(root, '..', 'shared', 'data');
  if ~exist(fullfile(folder, 'synth1_image.png'), 'file')
    folder = fullfile(root, 'data');
  end
  image = double(imread(fullfile(folder, 'synth1_image.png'))) / 255;
  trimap = imread(fullfile(folder, 'synth1_trimap.png'));
  truth = double(imread(fullfile(folder, 'synth1_alpha.png'))) / 255;
  fgMask = trimap == 255;
  bgMask = trimap == 0;
  unknownMask = ~fgMask & ~bgMask;

  t = cell(1, 7);
  evalc('[t{:}] = fringeScan(image, fgMask, bgMask, unknownMask);');
  [fgPos, fgColour, bgPos, bgColour, unknownPos, unknownColour, indexMap] = t{:};
  [fgScale, fgIndex] = nearestOf(unknownPos, fgPos);
  [bgScale, bgIndex] = nearestOf(unknownPos, bgPos);
  opacity = zeros(size(unknownMask));
  seed = 1;
  for pass = 1:10
    [fgIndex, bgIndex, opacity] = pairSeek(unknownColour, unknownPos, fgColour, fgPos, bgColour, bgPos, ...
        fgScale, bgScale, indexMap, unknownMask, 0.5, 150, fgIndex, bgIndex, opacity, seed);
    seed = mod(seed + 2654435769, 4294967296);
  end
  sampled = double(fgMask);
  sampled(unknownMask) = min(max(opacity(unknownMask), 0), 1);

  confidence = pairConfidence(unknownColour, fgColour, bgColour, fgIndex, bgIndex);
  alpha = refineMatte(image, unknownMask, sampled, confidence);
  sad = sum(abs(alpha(unknownMask) - truth(unknownMask))) / 1000;
  unrefined = sum(abs(sampled(unknownMask) - truth(unknownMask))) / 1000;
  fprintf('refineMatteQualityTest: synth1 SAD %.4f refined, %.4f unrefined\n', sad, unrefined);
  assert(sad <= 0.125, 'synth1: refined SAD %.4f above its bound 0.125', sad);
  assert(sad <= 0.5 * unrefined, 'synth1: refined SAD %.4f not half the unrefined %.4f', sad, unrefined);
  assert(isequal(alpha(~unknownMask), sampled(~unknownMask)), 'a known pixel changed');
  fprintf('refineMatteQualityTest: passed\n');
end

function [distance, nearest] = nearestOf(pos, samples)
  % Distance to the nearest sample (at least 1) and its row, by brute force in chunks.
  n = size(pos, 1);
  distance = zeros(n, 1);
  nearest = zeros(n, 1, 'int32');
  for first = 1:2000:n
    rows = first:min(first + 1999, n);
    d2 = (pos(rows, 1) - samples(:, 1)') .^ 2 + (pos(rows, 2) - samples(:, 2)') .^ 2;
    [best, at] = min(d2, [], 2);
    distance(rows) = max(sqrt(best), 1);
    nearest(rows) = at;
  end
end
