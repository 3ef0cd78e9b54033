function trimapFromMaskTest()
%TRIMAPFROMMASKTEST Host tests of the trimapFromMask module: a hand-worked trimap,
%   the same trimap from every mask class, options by name in any case, and every
%   class of bad call as one table (identifier raised, inputs bit-identical).
  assert(exist('trimapFromMask') == 3, 'trimapFromMask: the compiled module is not on the path');
  handWorked();
  rejections();
  fprintf('trimapFromMaskTest: passed\n');
end

function handWorked()
  mask = false(7);
  mask(3:5, 3:5) = true;
  want = uint8(0 + 128 * [0 0 0 0 0 0 0; 0 0 1 1 1 0 0; 0 1 1 1 1 1 0; 0 1 1 1 1 1 0; ...
                           0 1 1 1 1 1 0; 0 0 1 1 1 0 0; 0 0 0 0 0 0 0]);
  want(4, 4) = 255;
  classes = {mask, double(mask), single(mask), uint8(mask) * 255, uint16(mask) * 65535};
  for k = 1:numel(classes)
    got = trimapFromMask(classes{k}, 'Band', 1);
    assert(isequal(got, want), 'band 1 from a %s mask: wrong trimap', class(classes{k}));
  end
  assert(isequal(trimapFromMask(mask, 'band', 1, 'LOW', 0.05, 'High', 0.95), want), 'names in any case');
  assert(isequal(trimapFromMask(mask, 'Band', []), trimapFromMask(mask)), 'Band [] is the default');
  soft = double(mask);
  soft(4, 4) = 0.5;
  assert(trimapFromMask(soft, 'Band', 0)(4, 4) == 128, 'a soft value is unknown');
  assert(trimapFromMask(soft, 'Band', 0, 'High', 0.4)(4, 4) == 255, 'High 0.4 makes 0.5 foreground');
end

function rejections()
  mask = false(6, 7);
  mask(2:4, 3:5) = true;
  ok = {mask, 'Band', 2};
  id = @(what) ['pairseek:trimapFromMask:' what];
  cases = {
    'no input',            {},                                            1, id('inputCount')
    'name without value',  {mask, 'Band'},                                1, id('inputCount')
    'two outputs',         ok,                                            2, id('outputCount')
    'int32 mask',          withArgument(ok, 1, int32(mask)),              1, id('class')
    'cell mask',           withArgument(ok, 1, {mask}),                   1, id('class')
    'mask with planes',    withArgument(ok, 1, repmat(mask, [1 1 3])),    1, id('shape')
    'mask above 1',        withArgument(ok, 1, 2 * double(mask)),         1, id('range')
    'NaN in mask',         withArgument(ok, 1, withElement(double(mask), 4, NaN)), 1, id('range')
    'unknown option',      withArgument(ok, 2, 'Width'),                  1, id('optionName')
    'option name a number', withArgument(ok, 2, 3),                       1, id('optionName')
    'negative band',       withArgument(ok, 3, -1),                       1, id('Band')
    'band NaN',            withArgument(ok, 3, NaN),                      1, id('Band')
    'band pair',           withArgument(ok, 3, [1 2]),                    1, id('Band')
    'band text',           withArgument(ok, 3, 'wide'),                   1, id('Band')
    'low not below high',  {mask, 'Low', 0.6, 'High', 0.6},               1, id('thresholds')
    'high above 1',        {mask, 'High', 1.5},                           1, id('thresholds')
    'low infinite',        {mask, 'Low', -Inf},                           1, id('Low')
    'empty mask',          {false(4)},                                    1, id('emptyMask')
    'soft mask only',      {0.5 * ones(4)},                               1, id('emptyMask')
    'full mask',           {true(4)},                                     1, id('fullMask')
  };
  checkRejections(cases);
end
