function backdropCases(data, photos, folder)
%BACKDROPCASES Cases for checking that a quality change holds beyond the shared ones.
%   backdropCases(data, photos, folder) composites the synthetic foregrounds of
%   data (synth1-3: _foreground, _alpha) over crops of four photographs of
%   photos (am02t1, am11t1, am20t1, am23t1: natural, partly textured backdrops,
%   taken from the left or right edge) and writes folder/hNN_{image,trimap,alpha}.png
%   for unknown bands of 7 and 14 pixels around every pixel of fractional alpha:
%   24 cases with exact true alphas. Score them like the shared cases:
%   matteQuality({folder}). The cases are generated, not kept: the photographs
%   may not be copied into the repository.
backdrops = {'am02t1', 'am11t1', 'am20t1', 'am23t1'};
k = 0;
for s = 1:3
  F = double(imread(fullfile(data, sprintf('synth%d_foreground.png', s)))) / 255;
  alpha = double(imread(fullfile(data, sprintf('synth%d_alpha.png', s)))) / 255;
  alpha = alpha(:, :, 1);
  [h, w] = size(alpha);
  for p = 1:numel(backdrops)
    photo = double(imread(fullfile(photos, [backdrops{p} '_image.png']))) / 255;
    % Rows spread by a fixed rule, columns at either edge, where the backdrop shows most.
    r0 = 1 + mod(37 * s + 53 * p, size(photo, 1) - h);
    c0 = 1 + (mod(s + p, 2) == 0) * (size(photo, 2) - w);
    B = photo(r0:r0 + h - 1, c0:c0 + w - 1, :);
    image = uint8(round(255 * (alpha .* F + (1 - alpha) .* B)));
    for band = [7 14]
      [dx, dy] = meshgrid(-band:band);
      unknown = conv2(double(alpha > 0 & alpha < 1), double(dx .^ 2 + dy .^ 2 <= band ^ 2), 'same') > 0;
      trimap = uint8(255 * (alpha >= 0.5));
      trimap(unknown) = 128;
      k = k + 1;
      name = fullfile(folder, sprintf('h%02d', k));
      imwrite(image, [name '_image.png']);
      imwrite(trimap, [name '_trimap.png']);
      imwrite(uint8(round(255 * alpha)), [name '_alpha.png']);
    end
  end
end
end
