function refineMatteTest()
%REFINEMATTETEST Host tests of refineMatte and pairConfidence: the solve against a
%   dense reference, exact mattes of two-colour blends, the output contract, the
%   confidence formula on hand-worked pairs, and errors.
  solveMatchesDenseReference();
  twoColourBlendsExact();
  outputContract();
  confidenceHandWorked();
  errors();
  fprintf('refineMatteTest: passed\n');
end

function solveMatchesDenseReference()
  % Seeded random images and masks (unknown pixels on the border too): the
  % laplacian method, solved tightly, equals a dense solve with a Laplacian built
  % window by window.
  cases = struct('rows', {6, 7, 9, 8}, 'cols', {7, 9, 6, 10}, 'radius', {1, 1, 2, 1}, ...
                 'epsilon', {1e-7, 1e-4, 1e-3, 1e-5}, 'snap', {0, 0.15, 0.1, 0.3}, ...
                 'lambda', {0.03, 1, 0.1, 0.01});
  for seed = 1:numel(cases)
    c = cases(seed);
    rand('state', seed);
    image = rand(c.rows, c.cols, 3);
    unknownMask = rand(c.rows, c.cols) < 0.6;
    sampled = double(rand(c.rows, c.cols) < 0.5);
    sampled(unknownMask) = 1.4 * rand(nnz(unknownMask), 1) - 0.2;
    confidence = rand(nnz(unknownMask), 1);
    confidence(1:3:end) = 0;
    alpha = refineMatte(image, unknownMask, sampled, confidence, 'Radius', c.radius, ...
                        'Epsilon', c.epsilon, 'Snap', c.snap, 'Lambda', c.lambda, 'Tolerance', 1e-13);
    expected = denseRefine(image, unknownMask, sampled, confidence, c);
    difference = max(abs(alpha(:) - expected(:)));
    assert(difference < 1e-6, 'seed %d: refined alpha differs from the dense solve by %g', seed, difference);
  end
end

function alpha = denseRefine(image, unknownMask, sampled, confidence, c)
  % Closed-form matting Laplacian over every window inside the image, then the
  % weighted least-squares solve with the known pixels fixed.
  [rows, cols, ~] = size(image);
  count = rows * cols;
  n = (2 * c.radius + 1) ^ 2;
  pixels = reshape(image, count, 3);
  L = zeros(count);
  for wc = 1 + c.radius:cols - c.radius
    for wr = 1 + c.radius:rows - c.radius
      [r, k] = ndgrid(wr - c.radius:wr + c.radius, wc - c.radius:wc + c.radius);
      index = r(:) + (k(:) - 1) * rows;
      d = pixels(index, :) - mean(pixels(index, :), 1);
      covariance = d' * d / n + c.epsilon / n * eye(3);
      L(index, index) = L(index, index) + eye(n) - (1 + d / covariance * d') / n;
    end
  end
  u = unknownMask(:);
  target = min(max(sampled(u), 0), 1);
  target(target < c.snap) = 0;
  target(target > 1 - c.snap) = 1;
  weight = max(c.lambda * confidence, 1e-9);
  x = (L(u, u) + diag(weight)) \ (weight .* target - L(u, ~u) * sampled(~u));
  alpha = sampled;
  alpha(u) = min(max(x, 0), 1);
end

function [image, trimap, truth] = twoColourBlend(rows, cols)
  % Red left, blue right, and between them a band of blends whose alpha falls
  % linearly from 1 to 0 across columns, the same in every row.
  red = reshape([0.9 0.1 0.1], 1, 1, 3);
  blue = reshape([0.1 0.2 0.8], 1, 1, 3);
  truth = repmat(min(max((cols - 4 - (1:cols)) / (cols - 9), 0), 1), rows, 1);
  a = repmat(truth, [1 1 3]);
  image = a .* red + (1 - a) .* blue;
  trimap = 0.5 * ones(rows, cols);
  trimap(truth == 1) = 1;
  trimap(truth == 0) = 0;
end

function twoColourBlendsExact()
  % Alpha affine in the colour is what the local colour models hold exactly. The
  % Laplacian gets the true matte from the known pixels alone (noisy samples trusted
  % not at all); both methods keep fully trusted exact samples.
  [image, trimap, truth] = twoColourBlend(12, 20);
  unknownMask = trimap == 0.5;
  rand('state', 7);
  noisy = truth;
  noisy(unknownMask) = rand(nnz(unknownMask), 1);
  zero = zeros(nnz(unknownMask), 1);
  cases = struct('method', {'laplacian', 'laplacian', 'guided'}, 'sampled', {noisy, truth, truth}, ...
                 'confidence', {zero, zero + 1, zero + 1}, 'tolerance', {1e-4, 1e-4, 1e-3});
  for t = 1:numel(cases)
    c = cases(t);
    alpha = refineMatte(image, unknownMask, c.sampled, c.confidence, 'Method', c.method, 'Snap', 0, ...
                        'Tolerance', 1e-10);
    assert(max(abs(alpha(:) - truth(:))) <= c.tolerance, 'case %d (%s): alpha off by %g', t, c.method, ...
           max(abs(alpha(:) - truth(:))));
  end
end

function outputContract()
  % Known pixels come back bit for bit, unknown ones in [0, 1], whatever the samples
  % (out of range too) and their confidence; no unknown pixel returns the input.
  f = searchFixture(16, 18);
  rand('state', 3);
  sampled = double(f.fgMask);
  nU = nnz(f.unknownMask);
  sampled(f.unknownMask) = 2 * rand(nU, 1) - 0.5;
  for method = {'laplacian', 'guided'}
    for confidence = {rand(nU, 1), zeros(nU, 1), ones(nU, 1)}
      alpha = refineMatte(f.image, f.unknownMask, sampled, confidence{1}, 'Method', method{1});
      assert(isequal(size(alpha), size(sampled)) && isa(alpha, 'double'), '%s: wrong output', method{1});
      assert(isequal(alpha(~f.unknownMask), sampled(~f.unknownMask)), '%s: a known pixel changed', method{1});
      u = alpha(f.unknownMask);
      assert(all(u >= 0 & u <= 1), '%s: alpha outside [0, 1]', method{1});
    end
  end
  alpha = refineMatte(f.image, false(size(f.fgMask)), double(f.fgMask), zeros(0, 1));
  assert(isequal(alpha, double(f.fgMask)), 'no unknown pixel: the input comes back');
  % Images too small for a window: the samples' weight alone decides, within [0, 1].
  for method = {'laplacian', 'guided'}
    alpha = refineMatte(rand(2, 5, 3), logical([0 1 1 1 0; 0 1 1 1 0]), [1 0.4 1.3 -0.2 0; 1 0.5 0.7 0.1 0], ...
                        [1; 1; 0.5; 0; 1; 1], 'Method', method{1});
    assert(isequal(alpha(:, [1 5]), [1 0; 1 0]) && all(alpha(:) >= 0 & alpha(:) <= 1), '%s: tiny image', method{1});
  end
  % A gray image and a single-plane one agree.
  gray = mean(f.image, 3);
  confidence = rand(nU, 1);
  a1 = refineMatte(gray, f.unknownMask, sampled, confidence);
  a2 = refineMatte(repmat(gray, [1 1 3]), f.unknownMask, sampled, confidence);
  assert(max(abs(a1(:) - a2(:))) == 0, 'gray and three equal planes differ');
end

function confidenceHandWorked()
  % Pixel on the segment: no misfit, so only the separation counts. Pixel 0.01 off the
  % line (the fit scale): exp(-1) of that. Pair of one colour: no trust.
  red = [0.9 0.1 0.1];
  blue = [0.1 0.2 0.8];
  normal = cross(red - blue, [0 0 1]);
  normal = normal / norm(normal);
  pixels = [0.5 * red + 0.5 * blue; 0.3 * red + 0.7 * blue + 0.01 * normal; red];
  fgColour = [red 0; 0 0 0 0];
  bgColour = [blue 0; red 0];
  separation2 = sum((red - blue) .^ 2);
  expected = (1 - exp(-separation2 / 0.09)) * [1; exp(-1); 0];
  confidence = pairConfidence([pixels zeros(3, 1)], fgColour, bgColour, int32([1; 1; 1]), int32([1; 1; 2]));
  assert(max(abs(confidence - expected)) < 1e-12, 'confidence off by %g', max(abs(confidence - expected)));
  wider = pairConfidence(pixels, fgColour, bgColour, [1 1 1], [1 1 2], 'FitScale', 0.02, 'SeparationScale', 1);
  expected = (1 - exp(-separation2)) * [1; exp(-0.25); 0];
  assert(max(abs(wider - expected)) < 1e-12, 'scaled confidence off by %g', max(abs(wider - expected)));
end

function errors()
  f = searchFixture(8, 9);
  nU = nnz(f.unknownMask);
  sampled = double(f.fgMask);
  good = {f.image, f.unknownMask, sampled, zeros(nU, 1)};
  cases = {
    'sizeMismatch', {f.image, f.unknownMask(1:end - 1, :), sampled, zeros(nU, 1)}
    'confidence',   {f.image, f.unknownMask, sampled, zeros(nU + 1, 1)}
    'nonFinite',    {f.image, f.unknownMask, sampled, 2 + zeros(nU, 1)}
    'image',        {uint8(f.image), f.unknownMask, sampled, zeros(nU, 1)}
    'Method',       [good, {'Method', 'fast'}]
    'Lambda',       [good, {'Lambda', -1}]
    'Snap',         [good, {'Snap', 0.5}]
    'Radius',       [good, {'Radius', 1.5}]
    'Tolerance',    [good, {'Tolerance', [1e-3 1e-4]}]
    'options',      [good, {'Lambda'}]
    'options',      [good, {'Colour', 1}]
  };
  ids = strcat('pairseek:refineMatte:', cases(:, 1));
  rows = [cases, num2cell(ones(size(ids))), ids];
  rows(end + 1, :) = {'pairConfidence index', {zeros(2, 3), zeros(1, 3), zeros(1, 3), [1 2], [1 1]}, 1, ...
                      'pairseek:pairConfidence:indexRange'};
  checkRejections(rows);
end
