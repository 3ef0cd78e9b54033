function refineBandTest()
%REFINEBANDTEST Host tests of the refineBand module: refineMatte through the module
%   against its own Octave solve on seeded cases, edge shapes, and every class of
%   bad call as one table (identifier raised, inputs bit-identical).
  assert(exist('refineBand') == 3, 'refineBand: the compiled module is not on the path');
  matchesOctaveSolve();
  edgeShapes();
  rejections();
  fprintf('refineBandTest: passed\n');
end

function matchesOctaveSolve()
  % Solved tightly, both paths reach the same minimiser; at the default tolerance
  % they stop at different iterates of it, still close.
  cases = struct('rows', {12, 15, 9, 20}, 'cols', {14, 11, 16, 18}, 'radius', {1, 1, 2, 1}, ...
                 'fraction', {0.5, 0.9, 0.6, 0.3}, 'lambda', {0.03, 1, 0.1, 0.01}, 'epsilon', {1e-7, 1e-4, 1e-5, 1e-7});
  for seed = 1:numel(cases)
    c = cases(seed);
    rand('state', seed);
    image = rand(c.rows, c.cols, 3);
    unknownMask = rand(c.rows, c.cols) < c.fraction;
    sampled = double(rand(c.rows, c.cols) < 0.5);
    sampled(unknownMask) = 1.4 * rand(nnz(unknownMask), 1) - 0.2;
    confidence = rand(nnz(unknownMask), 1);
    options = {'Radius', c.radius, 'Lambda', c.lambda, 'Epsilon', c.epsilon};
    for tolerance = [1e-12, 1e-3]
      module = refineMatte(image, unknownMask, sampled, confidence, options{:}, 'Tolerance', tolerance);
      octave = withoutModule(@() refineMatte(image, unknownMask, sampled, confidence, options{:}, 'Tolerance', tolerance));
      bound = 1e-6 + 0.05 * (tolerance > 1e-6);
      difference = max(abs(module(:) - octave(:)));
      assert(difference < bound, 'seed %d, tolerance %g: module and Octave solve differ by %g', seed, tolerance, difference);
      assert(isequal(module(~unknownMask), sampled(~unknownMask)), 'seed %d: a known pixel changed', seed);
    end
  end
end

function value = withoutModule(run)
  % The module's folder off the path: refineMatte falls back to its Octave solve.
  folder = fileparts(which('refineBand'));
  rmpath(folder);
  try
    assert(exist('refineBand') ~= 3, 'refineBand: still found as a module after removing %s', folder);
    value = run();
  catch err
    addpath(folder);
    rethrow(err);
  end
  addpath(folder);
end

function edgeShapes()
  % No unknown pixel; an image smaller than a window (no Laplacian rows: the
  % targets come back); a single row.
  image = rand(5, 6, 3);
  alpha = refineBand(image, false(5, 6), zeros(5, 6), zeros(0, 1), zeros(0, 1), 0.03, 1, 1e-7, 1e-3);
  assert(isequal(size(alpha), [0 1]), 'no unknown pixel: expected a 0x1 result');
  target = [0.2; 0.7; 1; 0];
  alpha = refineBand(rand(2, 2, 3), true(2, 2), zeros(2, 2), target, ones(4, 1), 0.03, 1, 1e-7, 1e-12);
  assert(max(abs(alpha - target)) < 1e-9, 'image smaller than a window: expected the targets back');
  row = refineBand(rand(1, 9, 3), true(1, 9), zeros(1, 9), rand(9, 1), rand(9, 1), 0.03, 1, 1e-7, 1e-3);
  assert(isequal(size(row), [9 1]) && all(row >= 0 & row <= 1), 'single row: expected 9 alphas in [0, 1]');
end

function rejections()
  rand('state', 7);
  rows = 6; cols = 7;
  mask = rand(rows, cols) < 0.5;
  nU = nnz(mask);
  ok = {rand(rows, cols, 3), mask, zeros(rows, cols), rand(nU, 1), rand(nU, 1), 0.03, 1, 1e-7, 1e-3};
  id = @(what) ['pairseek:refineBand:' what];
  wide = true(116, 116);   % radius 100: (401^2) neighbours per pixel overflow the 32-bit band
  cases = {
    'eight inputs',          ok(1:8),                                 1, id('inputCount')
    'ten inputs',            [ok, {1}],                               1, id('inputCount')
    'two outputs',           ok,                                      2, id('outputCount')
    'single image',          withArgument(ok, 1, single(ok{1})),              1, id('class')
    'complex knownAlpha',    withArgument(ok, 3, complex(ok{3}, 1)),          1, id('class')
    'sparse target',         withArgument(ok, 4, sparse(ok{4})),              1, id('class')
    'int32 confidence',      withArgument(ok, 5, int32(ok{5})),               1, id('class')
    'double mask',           withArgument(ok, 2, double(mask)),               1, id('class')
    'single lambda',         withArgument(ok, 6, single(0.03)),               1, id('class')
    'gray image',            withArgument(ok, 1, ok{1}(:, :, 1)),             1, id('shape')
    'four-plane image',      withArgument(ok, 1, rand(rows, cols, 4)),        1, id('shape')
    'mask transposed',       withArgument(ok, 2, mask'),                      1, id('shape')
    'knownAlpha short',      withArgument(ok, 3, zeros(rows - 1, cols)),      1, id('shape')
    'target short',          withArgument(ok, 4, rand(nU - 1, 1)),            1, id('shape')
    'confidence long',       withArgument(ok, 5, rand(nU + 1, 1)),            1, id('shape')
    'lambda pair',           withArgument(ok, 6, [1 2]),                      1, id('shape')
    'empty tolerance',       withArgument(ok, 9, []),                         1, id('shape')
    'lambda 0',              withArgument(ok, 6, 0),                          1, id('lambda')
    'lambda Inf',            withArgument(ok, 6, Inf),                        1, id('lambda')
    'lambda NaN',            withArgument(ok, 6, NaN),                        1, id('lambda')
    'radius 0',              withArgument(ok, 7, 0),                          1, id('radius')
    'radius 1.5',            withArgument(ok, 7, 1.5),                        1, id('radius')
    'radius 101',            withArgument(ok, 7, 101),                        1, id('radius')
    'epsilon 0',             withArgument(ok, 8, 0),                          1, id('epsilon')
    'epsilon Inf',           withArgument(ok, 8, Inf),                        1, id('epsilon')
    'tolerance 0',           withArgument(ok, 9, 0),                          1, id('tolerance')
    'tolerance 1',           withArgument(ok, 9, 1),                          1, id('tolerance')
    'tolerance NaN',         withArgument(ok, 9, NaN),                        1, id('tolerance')
    'NaN in image',          withArgument(ok, 1, withElement(ok{1}, 5, NaN)),       1, id('nonFinite')
    'Inf in knownAlpha',     withArgument(ok, 3, withElement(ok{3}, 2, Inf)),       1, id('nonFinite')
    'NaN in target',         withArgument(ok, 4, withElement(ok{4}, 1, NaN)),       1, id('nonFinite')
    'confidence above 1',    withArgument(ok, 5, withElement(ok{5}, 2, 1.5)),       1, id('confidence')
    'confidence below 0',    withArgument(ok, 5, withElement(ok{5}, 3, -0.1)),      1, id('confidence')
    'confidence NaN',        withArgument(ok, 5, withElement(ok{5}, 1, NaN)),       1, id('confidence')
    'band too large',        {rand(116, 116, 3), wide, zeros(116), rand(116^2, 1), rand(116^2, 1), 0.03, 100, 1e-7, 1e-3}, ...
                                                                      1, id('tooLarge')
  };
  checkRejections(cases);
end
