function table = maskTrimapQuality(folder, bands)
%MASKTRIMAPQUALITY Matte SAD from hand-drawn trimaps against trimaps made from rough masks.
%   table = maskTrimapQuality(folder, bands) mattes each narrow-trimap photograph
%   <case>t1 of folder twice: with its hand-drawn trimap, and with the trimap
%   trimapFromMask makes of a segmentation-like mask (true alpha > 0.5, shrunk 8
%   times by nearest neighbour, enlarged back bilinearly, thresholded at 0.5),
%   for each band of bands ([] for the default band). SAD over the whole image,
%   / 1000. Not a test: a measurement (README, Cut-outs).
%
%   Example (from the repository, modules built):
%     addpath('build/octave', 'matlab', 'bench');
%     maskTrimapQuality('../shared/photos', {[], 8, 12});
  if nargin < 2
    bands = {[]};
  end
  files = dir(fullfile(folder, 'am*t1_image.png'));
  table = zeros(numel(files), 1 + numel(bands));
  fprintf('%-8s %9s', 'case', 'hand');
  for b = 1:numel(bands)
    fprintf(' %9s', bandName(bands{b}));
  end
  fprintf('\n');
  for f = 1:numel(files)
    name = strrep(files(f).name, '_image.png', '');
    image = imread(fullfile(folder, [name '_image.png']));
    truth = double(imread(fullfile(folder, [name '_alpha.png']))) / 255;
    hand = imread(fullfile(folder, [name '_trimap.png']));
    table(f, 1) = sum(abs(pairMatte(image, hand) - truth)(:)) / 1000;
    mask = coarseMask(truth > 0.5, 8);
    fprintf('%-8s %9.1f', name, table(f, 1));
    for b = 1:numel(bands)
      trimap = trimapFromMask(mask, 'Band', bands{b});
      table(f, 1 + b) = sum(abs(pairMatte(image, trimap) - truth)(:)) / 1000;
      fprintf(' %9.1f', table(f, 1 + b));
    end
    fprintf('\n');
  end
  total = sum(table, 1);
  fprintf('%-8s %9.1f', 'total', total(1));
  fprintf(' %9.1f', total(2:end));
  fprintf('\n%-8s %9s', 'change', '');
  fprintf(' %+8.1f%%', 100 * (total(2:end) / total(1) - 1));
  fprintf('\n');
end

function text = bandName(band)
  if isempty(band)
    text = 'default';
  else
    text = sprintf('band %g', band);
  end
end

function mask = coarseMask(mask, factor)
  % Nearest-neighbour shrink (the middle pixel of each block), bilinear enlargement
  % back to the full size (edges held), thresholded at one half.
  [rows, cols] = size(mask);
  centre = floor(factor / 2) + 1;
  small = double(mask(centre:factor:end, centre:factor:end));
  y = min(max(((1:rows)' - centre) / factor + 1, 1), size(small, 1));
  x = min(max(((1:cols) - centre) / factor + 1, 1), size(small, 2));
  mask = interp2(small, x, y, 'linear') > 0.5;
end
