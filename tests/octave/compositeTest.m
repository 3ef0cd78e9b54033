function compositeTest()
%COMPOSITETEST Host tests of the composite module: hand-worked values over a
%   colour and an image, and every class of bad call as one table.
  assert(exist('composite') == 3, 'composite: the compiled module is not on the path');
  knownValues();
  rejections();
  fprintf('compositeTest: passed\n');
end

function knownValues()
  F = cat(3, [0.5 1], [0.25 0], [1 0.5]);
  alpha = [1 0.25];
  want = cat(3, [0.5 0.25], [0.25 0.75], [1 0.5]);
  assert(isequal(composite(F, alpha, [0 1 0.5]), want), 'over a colour');
  assert(isequal(composite(F, alpha, [0; 1; 0.5]), want), 'over a column colour');
  assert(isequal(composite(F, alpha, uint8([0 255 0])), cat(3, [0.5 0.25], [0.25 0.75], [1 0.125])), 'over a uint8 colour');
  behind = cat(3, [0 0.5], [0 0.5], [0 1]);
  assert(isequal(composite(F, alpha, behind), cat(3, [0.5 0.625], [0.25 0.375], [1 0.875])), 'over an image');
end

function rejections()
  rand('state', 4);
  ok = {rand(4, 5, 3), rand(4, 5), [0 0.5 1]};
  id = @(what) ['pairseek:composite:' what];
  cases = {
    'two inputs',          ok(1:2),                                      1, id('inputCount')
    'two outputs',         ok,                                           2, id('outputCount')
    'int8 foreground',     withArgument(ok, 1, int8(ok{1})),             1, id('class')
    'logical background',  withArgument(ok, 3, [true false true]),       1, id('class')
    'gray foreground',     withArgument(ok, 1, ok{1}(:, :, 1)),          1, id('shape')
    'alpha too small',     withArgument(ok, 2, rand(4, 4)),              1, id('shape')
    'four values',         withArgument(ok, 3, [0 0 0 1]),               1, id('shape')
    'image of other size', withArgument(ok, 3, rand(5, 4, 3)),           1, id('shape')
    'colour above 1',      withArgument(ok, 3, [0 2 0]),                 1, id('range')
    'NaN in foreground',   withArgument(ok, 1, withElement(ok{1}, 9, NaN)), 1, id('range')
  };
  checkRejections(cases);
end
