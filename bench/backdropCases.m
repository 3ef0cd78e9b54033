function backdropCases(data, photos, folder, placement)
%BACKDROPCASES Cases for checking that a quality change holds beyond the shared ones.
%   backdropCases(data, photos, folder) composites the synthetic foregrounds of
%   data (synth1-3: _foreground, _alpha) over crops of four photographs of
%   photos (am02t1, am11t1, am20t1, am23t1: natural, partly textured backdrops,
%   taken from the left or right edge) and writes folder/hNN_{image,trimap,alpha}.png
%   for unknown bands of 7 and 14 pixels around every pixel of fractional alpha:
%   24 cases with exact true alphas. Score them like the shared cases:
%   matteQuality({folder}). The cases are generated, not kept: the photographs
%   may not be copied into the repository.
%
%   backdropCases(data, photos, folder, 'background') takes the crops from the four
%   other photographs (am05t1, am08t1, am14t1, am17t1), each where the photograph's
%   trimap marks the most background, and names the cases bNN: 24 more. The edge
%   crops often show the photograph's own object (wicker, fur) behind the synthetic
%   one, colours like the foreground's; these show the scenes behind the objects.
if nargin < 4
  placement = 'edge';
end
if strcmp(placement, 'background')
  backdrops = {'am05t1', 'am08t1', 'am14t1', 'am17t1'};
  prefix = 'b';
else
  backdrops = {'am02t1', 'am11t1', 'am20t1', 'am23t1'};
  prefix = 'h';
end
k = 0;
for s = 1:3
  F = double(imread(fullfile(data, sprintf('synth%d_foreground.png', s)))) / 255;
  alpha = double(imread(fullfile(data, sprintf('synth%d_alpha.png', s)))) / 255;
  alpha = alpha(:, :, 1);
  [h, w] = size(alpha);
  for p = 1:numel(backdrops)
    photo = double(imread(fullfile(photos, [backdrops{p} '_image.png']))) / 255;
    if strcmp(placement, 'background')
      trimap = imread(fullfile(photos, [backdrops{p} '_trimap.png']));
      [r0, c0] = mostBackground(trimap(:, :, 1) == 0, h, w);
    else
      % Rows spread by a fixed rule, columns at either edge, where the backdrop shows most.
      r0 = 1 + mod(37 * s + 53 * p, size(photo, 1) - h);
      c0 = 1 + (mod(s + p, 2) == 0) * (size(photo, 2) - w);
    end
    B = photo(r0:r0 + h - 1, c0:c0 + w - 1, :);
    image = uint8(round(255 * (alpha .* F + (1 - alpha) .* B)));
    for band = [7 14]
      [dx, dy] = meshgrid(-band:band);
      unknown = conv2(double(alpha > 0 & alpha < 1), double(dx .^ 2 + dy .^ 2 <= band ^ 2), 'same') > 0;
      trimap = uint8(255 * (alpha >= 0.5));
      trimap(unknown) = 128;
      k = k + 1;
      name = fullfile(folder, sprintf('%s%02d', prefix, k));
      imwrite(image, [name '_image.png']);
      imwrite(trimap, [name '_trimap.png']);
      imwrite(uint8(round(255 * alpha)), [name '_alpha.png']);
    end
  end
end
end

function [r0, c0] = mostBackground(background, h, w)
% Top-left corner of the h x w window holding the most background pixels (the first
% such window in column-major order).
sums = cumsum(cumsum(double(background), 1), 2);
sums = [zeros(1, size(sums, 2) + 1); zeros(size(sums, 1), 1), sums];
inside = sums(h + 1:end, w + 1:end) - sums(1:end - h, w + 1:end) - sums(h + 1:end, 1:end - w) + sums(1:end - h, 1:end - w);
[~, at] = max(inside(:));
[r0, c0] = ind2sub(size(inside), at);
end
