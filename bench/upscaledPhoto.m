function upscaledPhoto(source, scales, folder)
%UPSCALEDPHOTO Raw dumps of a photograph upscaled for bench/stageBench.
%   upscaledPhoto(source, scales, folder) reads source_{image,trimap,alpha}.png
%   and writes folder/xS.raw for each scale S: bicubic image and alpha, nearest
%   trimap. Each dump holds int32 rows, cols, then uint8 column-major image
%   planes, trimap and true alpha. Dumps already there are kept.
image = double(imread([source '_image.png'])) / 255;
trimap = imread([source '_trimap.png']);
trimap = trimap(:, :, 1);
alpha = double(imread([source '_alpha.png'])) / 255;
alpha = alpha(:, :, 1);
[rows, cols, ~] = size(image);
for s = scales
  name = fullfile(folder, sprintf('x%d.raw', s));
  if exist(name, 'file')
    continue;
  end
  [X, Y] = meshgrid(linspace(1, cols, cols * s), linspace(1, rows, rows * s));
  big = zeros(rows * s, cols * s, 3);
  for k = 1:3
    big(:, :, k) = interp2(image(:, :, k), X, Y, 'cubic');
  end
  big = uint8(round(255 * min(max(big, 0), 1)));
  a = uint8(round(255 * min(max(interp2(alpha, X, Y, 'cubic'), 0), 1)));
  t = trimap(round(Y(:, 1)), round(X(1, :)));
  partial = [name '.part'];
  f = fopen(partial, 'w');
  fwrite(f, int32(size(t)), 'int32');
  fwrite(f, big, 'uint8');
  fwrite(f, t, 'uint8');
  fwrite(f, a, 'uint8');
  if fclose(f) ~= 0
    error('upscaledPhoto: cannot write %s', partial);
  end
  rename(partial, name);
  printf('%s: %d x %d, %d unknown\n', name, size(t, 1), size(t, 2), nnz(t ~= 0 & t ~= 255));
end
end
