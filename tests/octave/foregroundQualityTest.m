function foregroundQualityTest()
%FOREGROUNDQUALITYTEST The estimated foreground of synth1 (pairMatte's default)
%   within its error bound and below the sample-colour foreground, both with
%   pairMatte's default alpha.
%   Error: sum over the pixels with 0 < true alpha < 1 of true alpha x |F - true F|
%   over the three channels, / 1000. Needs the true foreground, which only
%   ../shared/data beside the repository holds; skipped when it is absent.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  folder = fullfile(root, '..', 'shared', 'data');
  if ~exist(fullfile(folder, 'synth1_foreground.png'), 'file')
    fprintf('foregroundQualityTest: skipped, no %s\n', fullfile(folder, 'synth1_foreground.png'));
    return;
  end
  image = imread(fullfile(folder, 'synth1_image.png'));
  truth = double(imread(fullfile(folder, 'synth1_alpha.png'))) / 255;
  trueForeground = double(imread(fullfile(folder, 'synth1_foreground.png'))) / 255;
  trimap = imread(fullfile(folder, 'synth1_trimap.png'));
  [~, F] = pairMatte(image, trimap);
  [~, sampled] = pairMatte(image, trimap, 'Foreground', 'samples');
  blended = truth > 0 & truth < 1;
  error = @(F) sum(sum(abs(F - trueForeground), 3)(blended) .* truth(blended)) / 1000;
  estimated = error(F);
  samples = error(sampled);
  fprintf('foregroundQualityTest: synth1 foreground error %.4f estimated, %.4f sample colours\n', estimated, samples);
  assert(estimated <= 0.09, 'synth1: foreground error %.4f above its bound 0.09', estimated);
  assert(estimated < samples, 'synth1: estimated error %.4f not below the sample colours'' %.4f', estimated, samples);
  fprintf('foregroundQualityTest: passed\n');
end
