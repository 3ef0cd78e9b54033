function estimateForegroundTest()
%ESTIMATEFOREGROUNDTEST Host tests of the estimateForeground module: a two-colour
%   blend comes back in every accepted class, the known pixels keep the image, and
%   every class of bad call as one table (identifier raised, inputs bit-identical).
  assert(exist('estimateForeground') == 3, 'estimateForeground: the compiled module is not on the path');
  twoColourBlend();
  rejections();
  fprintf('estimateForegroundTest: passed\n');
end

function twoColourBlend()
  [cols, rows] = meshgrid(1:60, 1:40);
  alpha = min(max(2 - cols / 20 + 0.2 * sin(rows), 0), 1);
  fg = reshape([0.9 0.2 0.1], 1, 1, 3);
  bg = reshape([0.1 0.5 0.8], 1, 1, 3);
  image = alpha .* fg + (1 - alpha) .* bg;
  [F, B] = estimateForeground(image, alpha);
  assert(isequal(size(F), [40 60 3]) && isequal(size(B), [40 60 3]), 'F and B must be 40x60x3');
  % As a cut-out shows them: alpha F and (1 - alpha) B (a faint pixel barely fixes its F).
  assert(max(abs(alpha .* (F - fg))(:)) < 0.01, 'F is not the blend''s foreground colour');
  assert(max(abs((1 - alpha) .* (B - bg))(:)) < 0.01, 'B is not the blend''s background colour');
  opaque = repmat(alpha == 1, [1 1 3]);
  assert(isequal(F(opaque), image(opaque)), 'F must be the image where alpha = 1');
  % uint8 and single inputs are read as their values in [0, 1].
  F8 = estimateForeground(uint8(round(image * 255)), uint8(round(alpha * 255)));
  alpha8 = double(uint8(round(alpha * 255))) / 255;
  assert(isa(F8, 'double') && max(abs(alpha8 .* (F8 - fg))(:)) < 0.02, 'uint8 inputs: F off the blend''s colour');
  Fs = estimateForeground(single(image), single(alpha));
  assert(max(abs(Fs - F)(:)) < 1e-5, 'single inputs: F differs from the double one');
  gray = estimateForeground(image(:, :, 1), alpha);
  assert(isequal(size(gray), [40 60 3]), 'gray image: F must be 40x60x3');
end

function rejections()
  rand('state', 3);
  ok = {rand(5, 6, 3), rand(5, 6)};
  id = @(what) ['pairseek:estimateForeground:' what];
  cases = {
    'one input',           ok(1),                                        1, id('inputCount')
    'three inputs',        [ok, {1}],                                    1, id('inputCount')
    'three outputs',       ok,                                           3, id('outputCount')
    'int32 image',         withArgument(ok, 1, int32(ok{1})),            1, id('class')
    'logical alpha',       withArgument(ok, 2, ok{2} > 0.5),             1, id('class')
    'complex alpha',       withArgument(ok, 2, complex(ok{2}, 1)),       1, id('class')
    'sparse alpha',        withArgument(ok, 2, sparse(ok{2})),           1, id('class')
    'cell image',          withArgument(ok, 1, {1}),                     1, id('class')
    'four-plane image',    withArgument(ok, 1, rand(5, 6, 4)),           1, id('shape')
    'alpha transposed',    withArgument(ok, 2, ok{2}'),                  1, id('shape')
    'alpha with planes',   withArgument(ok, 2, rand(5, 6, 3)),           1, id('shape')
    'image above 1',       withArgument(ok, 1, withElement(ok{1}, 7, 1.5)),     1, id('range')
    'NaN in alpha',        withArgument(ok, 2, withElement(ok{2}, 3, NaN)),     1, id('range')
    'negative single',     withArgument(ok, 2, single(withElement(ok{2}, 1, -0.1))), 1, id('range')
  };
  checkRejections(cases);
end
