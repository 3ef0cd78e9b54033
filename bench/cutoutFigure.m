function cutoutFigure(folder, outFile)
%CUTOUTFIGURE The README's cut-out picture: synth2 mattes over a new background
%   colour, left with the search's sample colours as foreground, right with the
%   estimated foreground (pairMatte's default); the left part of the
%   image, 3x. Not a test.
%
%   Example (from the repository, modules built):
%     addpath('build/octave', 'matlab', 'bench');
%     cutoutFigure('../shared/data', 'doc/cutout-synth2.png');
  image = imread(fullfile(folder, 'synth2_image.png'));
  trimap = imread(fullfile(folder, 'synth2_trimap.png'));
  [alpha, estimated] = pairMatte(image, trimap);
  [~, sampled] = pairMatte(image, trimap, 'Foreground', 'samples');
  green = [0.12 0.42 0.22];
  rows = 60:180;
  cols = 1:170;
  before = composite(sampled(rows, cols, :), alpha(rows, cols), green);
  after = composite(estimated(rows, cols, :), alpha(rows, cols), green);
  gap = ones(numel(rows), 4, 3);
  figure = [before, gap, after];
  figure = figure(kron(1:size(figure, 1), [1 1 1]), kron(1:size(figure, 2), [1 1 1]), :);
  imwrite(figure, outFile);
end
