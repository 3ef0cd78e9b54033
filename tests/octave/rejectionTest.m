function rejectionTest()
%REJECTIONTEST Every class of bad call to fringeScan and pairSeek, as one table:
%   each must raise its pairseek:<module>:<what> identifier and leave every
%   input bit-identical (the in-place form included).
  cases = [fringeScanCases(); pairSeekCases()];
  checkRejections(cases);
  fprintf('rejectionTest: %d bad calls rejected\n', size(cases, 1));
end

function cases = fringeScanCases()
  f = searchFixture(8, 9);
  ok = {f.image, f.fgMask, f.bgMask, f.unknownMask};
  [rows, cols] = size(f.fgMask);
  id = @(what) ['pairseek:fringeScan:' what];
  huge = false(2^31, 0);
  cases = {
    'three inputs',           ok(1:3),                          7, id('inputCount')
    'five inputs',            [ok, {true}],                     7, id('inputCount')
    'eight outputs',          ok,                               8, id('outputCount')
    'single image',           withArgument(ok, 1, single(f.image)),     7, id('class')
    'complex image',          withArgument(ok, 1, complex(f.image, 1)), 7, id('class')
    'uint8 image',            withArgument(ok, 1, uint8(f.image)),      7, id('class')
    'logical image',          withArgument(ok, 1, f.image > 0.5),       7, id('class')
    'two-dimensional image',  withArgument(ok, 1, f.image(:, :, 1)),    7, id('shape')
    'two planes',             withArgument(ok, 1, f.image(:, :, 1:2)),  7, id('shape')
    'four dimensions',        withArgument(ok, 1, cat(4, f.image, f.image)), 7, id('shape')
    'double mask',            withArgument(ok, 2, double(f.fgMask)),    7, id('class')
    'int16 mask',             withArgument(ok, 3, int16(f.bgMask)),     7, id('class')
    'sparse mask',            withArgument(ok, 4, sparse(f.unknownMask)), 7, id('class')
    'complex int8 mask',      withArgument(ok, 4, complex(int8(f.unknownMask), int8(1))), 7, id('class')
    'mask transposed',        withArgument(ok, 2, false(cols, rows)),   7, id('shape')
    'mask one row short',     withArgument(ok, 4, f.unknownMask(1:end - 1, :)), 7, id('shape')
    'mask with planes',       withArgument(ok, 3, false(rows, cols, 2)), 7, id('shape')
    'rows beyond 32 bits',    {zeros(2^31, 0, 3), huge, huge, huge}, 7, id('tooLarge')
    'one output, bad image',  withArgument(ok, 1, single(f.image)),     1, id('class')
  };
end

function cases = pairSeekCases()
  f = searchFixture(8, 9);
  ok = [f.args, {7}];   % with a seed; without it the call has 15 inputs
  [unknownPos, fgColour, indexMap, mask] = deal(ok{2}, ok{3}, ok{9}, ok{10});
  nU = size(unknownPos, 1); nF = size(fgColour, 1);
  [rows, cols] = size(indexMap);
  outside = find(indexMap == 0, 1);
  id = @(what) ['pairseek:pairSeek:' what];
  cases = {
    'fourteen inputs',           ok(1:14),                            0, id('inputCount')
    'seventeen inputs',          [ok, {1}],                           0, id('inputCount')
    'four outputs',              ok,                                  4, id('outputCount')
  };
  % Every double input in another class, and complex or sparse where it matters.
  names = {'unknownColour', 'unknownPos', 'fgColour', 'fgPos', 'bgColour', 'bgPos', 'fgScale', 'bgScale', ...
           '', '', 'decay', 'colourWeight', '', '', 'opacity', 'seed'};
  for k = find(~cellfun(@isempty, names))
    cases(end + 1, :) = {['single ' names{k}], withArgument(ok, k, single(ok{k})), 0, id('class')};
  end
  cases = [cases; {
    'complex unknownColour',     withArgument(ok, 1, complex(ok{1}, 0)),      0, id('class')
    'complex opacity',           withArgument(ok, 15, complex(ok{15}, 1)),    0, id('class')
    'sparse fgScale',            withArgument(ok, 7, sparse(ok{7})),          0, id('class')
    'sparse opacity',            withArgument(ok, 15, sparse(ok{15})),        0, id('class')
    'int32 seed',                withArgument(ok, 16, int32(7)),              0, id('class')
    'double indexMap',           withArgument(ok, 9, double(indexMap)),       0, id('class')
    'double fgIndex',            withArgument(ok, 13, double(ok{13})),        0, id('class')
    'uint32 bgIndex',            withArgument(ok, 14, uint32(ok{14})),        0, id('class')
    'complex fgIndex',           withArgument(ok, 13, complex(ok{13}, ok{13})), 0, id('class')
    'double mask',               withArgument(ok, 10, double(mask)),          0, id('class')
    'sparse mask',               withArgument(ok, 10, sparse(mask)),          0, id('class')
    'unknownColour of 2 columns', withArgument(ok, 1, ok{1}(:, 1:2)),         0, id('shape')
    'unknownColour with planes', withArgument(ok, 1, cat(3, ok{1}, ok{1})),   0, id('shape')
    'unknownPos of 3 columns',   withArgument(ok, 2, [unknownPos, unknownPos(:, 1)]), 0, id('shape')
    'unknownPos one row short',  withArgument(ok, 2, unknownPos(1:end - 1, :)), 0, id('shape')
    'fgPos one row short',       withArgument(ok, 4, ok{4}(1:end - 1, :)),    0, id('shape')
    'bgPos transposed',          withArgument(ok, 6, ok{6}.'),                0, id('shape')
    'fgScale one short',         withArgument(ok, 7, ok{7}(1:end - 1)),       0, id('shape')
    'bgScale one more',          withArgument(ok, 8, [ok{8}; 1]),             0, id('shape')
    'fgIndex one short',         withArgument(ok, 13, ok{13}(1:end - 1)),     0, id('shape')
    'bgIndex one more',          withArgument(ok, 14, [ok{14}; 1]),           0, id('shape')
    'indexMap with planes',      withArgument(ok, 9, cat(3, indexMap, indexMap)), 0, id('shape')
    'mask transposed',           withArgument(ok, 10, mask.'),                0, id('shape')
    'opacity one column short',  withArgument(ok, 15, ok{15}(:, 1:end - 1)),  0, id('shape')
    'empty decay',               withArgument(ok, 11, []),                    0, id('shape')
    'empty colourWeight',        withArgument(ok, 12, zeros(1, 0)),           0, id('shape')
    'seed of two elements',      withArgument(ok, 16, [1 2]),                 0, id('shape')
    'no foreground samples',     withArgument(withArgument(ok, 3, zeros(0, 4)), 4, zeros(0, 2)), 0, id('noSamples')
    'no background samples',     withArgument(withArgument(ok, 5, zeros(0, 3)), 6, zeros(0, 2)), 0, id('noSamples')
    'fgIndex 0',                 withArgument(ok, 13, withElement(ok{13}, nU, 0)),  0, id('fgIndexRange')
    'fgIndex nF + 1',            withArgument(ok, 13, withElement(ok{13}, 1, nF + 1)), 0, id('fgIndexRange')
    'bgIndex -1',                withArgument(ok, 14, withElement(ok{14}, 2, -1)),  0, id('bgIndexRange')
    'bgIndex nB + 1',            withArgument(ok, 14, withElement(ok{14}, nU, size(ok{5}, 1) + 1)), 0, id('bgIndexRange')
    'indexMap nU + 1',           withArgument(ok, 9, withElement(indexMap, outside, nU + 1)), 0, id('indexMapRange')
    'indexMap -1',               withArgument(ok, 9, withElement(indexMap, outside, -1)), 0, id('indexMapRange')
    'set mask pixel without index', withArgument(ok, 10, withElement(mask, outside, true)), 0, id('maskWithoutIndex')
    'unknownPos NaN',            withArgument(ok, 2, withElement(unknownPos, 1, NaN)), 0, id('unknownPosRange')
    'unknownPos Inf',            withArgument(ok, 2, withElement(unknownPos, nU + 1, Inf)), 0, id('unknownPosRange')
    'unknownPos row 0',          withArgument(ok, 2, withElement(unknownPos, nU, 0)), 0, id('unknownPosRange')
    'unknownPos row rows + 1',   withArgument(ok, 2, withElement(unknownPos, 2, rows + 1)), 0, id('unknownPosRange')
    'unknownPos column cols + 1', withArgument(ok, 2, withElement(unknownPos, 2 * nU, cols + 1)), 0, id('unknownPosRange')
    'unknownPos column -1e300',  withArgument(ok, 2, withElement(unknownPos, nU + 2, -1e300)), 0, id('unknownPosRange')
    'decay 1',                   withArgument(ok, 11, 1),                     0, id('decay')
    'decay Inf',                 withArgument(ok, 11, Inf),                   0, id('decay')
    'decay NaN',                 withArgument(ok, 11, NaN),                   0, id('decay')
    'decay just below 1',        withArgument(ok, 11, 1 - eps / 2),           0, id('decay')
    'seed -1',                   withArgument(ok, 16, -1),                    0, id('seed')
    'seed 2^32',                 withArgument(ok, 16, 2^32),                  0, id('seed')
    'seed 1.5',                  withArgument(ok, 16, 1.5),                   0, id('seed')
    'seed NaN',                  withArgument(ok, 16, NaN),                   0, id('seed')
    'seed Inf',                  withArgument(ok, 16, Inf),                   0, id('seed')
    'rows beyond 32 bits',       [{zeros(0, 3), zeros(0, 2), zeros(0, 3), zeros(0, 2), zeros(0, 3), zeros(0, 2), ...
                                   zeros(0, 1), zeros(0, 1), zeros(2^31, 0, 'int32'), false(2^31, 0), 0.5, 1, ...
                                   zeros(0, 1, 'int32'), zeros(0, 1, 'int32'), zeros(2^31, 0)}], 0, id('tooLarge')
    'with outputs, bad fgIndex', withArgument(ok, 13, withElement(ok{13}, 1, 0)),   3, id('fgIndexRange')
    'with outputs, no seed, bad decay', withArgument(ok(1:15), 11, 2),        1, id('decay')
  }];
end
