function fringeScanTest()
%FRINGESCANTEST Host tests of fringeScan: hand-worked trimaps, a loop oracle on
%   seeded random trimaps, mask classes, output counts and the console line.
  handWorkedTrimaps();
  againstReference();
  maskClassesAgree();
  requestedOutputsOnly();
  fprintf('fringeScanTest: passed\n');
end

function handWorkedTrimaps()
  % Image value at (r, c, k) = r + 10 c + 100 k, so every colour names its pixel.
  none = zeros(0, 2);
  cases = struct('name', {}, 'rows', {}, 'cols', {}, 'fg', {}, 'bg', {}, 'unknown', {}, ...
                 'fgPos', {}, 'bgPos', {}, 'unknownPos', {}, 'indexMap', {});
  % Top row: (1,1) touches the unknown pixel below it, (1,3) is two rows from
  % (4,3); (3,2) touches only diagonally; (4,1) is two rows from (2,1).
  cases(end + 1) = struct('name', 'border, distance and diagonal', 'rows', 4, 'cols', 3, ...
      'fg', [1 1; 1 3; 3 2], 'bg', [1 2; 3 3; 4 1], 'unknown', [2 1; 4 3], ...
      'fgPos', [1 1; 3 2], 'bgPos', [1 2; 3 3], 'unknownPos', [2 1; 4 3], ...
      'indexMap', [0 0 0; 1 0 0; 0 0 0; 0 0 2]);
  % (1,1) is in all three masks and touches itself through the folded border.
  cases(end + 1) = struct('name', 'overlapping masks', 'rows', 2, 'cols', 2, ...
      'fg', [1 1; 2 2], 'bg', [1 1; 1 2; 2 2], 'unknown', [1 1], ...
      'fgPos', [1 1; 2 2], 'bgPos', [1 1; 1 2; 2 2], 'unknownPos', [1 1], 'indexMap', [1 0; 0 0]);
  cases(end + 1) = struct('name', '1x1 foreground and unknown', 'rows', 1, 'cols', 1, ...
      'fg', [1 1], 'bg', none, 'unknown', [1 1], ...
      'fgPos', [1 1], 'bgPos', none, 'unknownPos', [1 1], 'indexMap', 1);
  cases(end + 1) = struct('name', '1x1 foreground only', 'rows', 1, 'cols', 1, ...
      'fg', [1 1], 'bg', none, 'unknown', none, 'fgPos', none, 'bgPos', none, 'unknownPos', none, 'indexMap', 0);
  cases(end + 1) = struct('name', 'empty masks', 'rows', 3, 'cols', 2, 'fg', none, 'bg', none, 'unknown', none, ...
      'fgPos', none, 'bgPos', none, 'unknownPos', none, 'indexMap', zeros(3, 2));
  cases(end + 1) = struct('name', '0x0 image', 'rows', 0, 'cols', 0, 'fg', none, 'bg', none, 'unknown', none, ...
      'fgPos', none, 'bgPos', none, 'unknownPos', none, 'indexMap', zeros(0, 0));
  cases(end + 1) = struct('name', '0x3 image', 'rows', 0, 'cols', 3, 'fg', none, 'bg', none, 'unknown', none, ...
      'fgPos', none, 'bgPos', none, 'unknownPos', none, 'indexMap', zeros(0, 3));
  % Row vector images: the clamped window folds in both directions of a row.
  cases(end + 1) = struct('name', '1x4 row', 'rows', 1, 'cols', 4, ...
      'fg', [1 1; 1 2], 'bg', [1 4], 'unknown', [1 3], ...
      'fgPos', [1 2], 'bgPos', [1 4], 'unknownPos', [1 3], 'indexMap', [0 0 1 0]);

  for t = 1:numel(cases)
    c = cases(t);
    [r, k] = ndgrid(1:c.rows, 1:c.cols);
    image = cat(3, r + 10 * k + 100, r + 10 * k + 200, r + 10 * k + 300);
    if c.rows * c.cols == 0
      image = zeros(c.rows, c.cols, 3);
    end
    masks = {maskOf(c.fg, c), maskOf(c.bg, c), maskOf(c.unknown, c)};
    out = cell(1, 7);
    line = evalc('[out{:}] = fringeScan(image, masks{:});');
    expected = {c.fgPos, colourOf(c.fgPos), c.bgPos, colourOf(c.bgPos), c.unknownPos, colourOf(c.unknownPos), ...
                int32(c.indexMap)};
    names = {'fgPos', 'fgColour', 'bgPos', 'bgColour', 'unknownPos', 'unknownColour', 'indexMap'};
    for o = 1:7
      assert(isequal(class(out{o}), class(expected{o})) && isequal(size(out{o}), size(expected{o})) && ...
             isequal(out{o}, expected{o}), '%s: %s differs', c.name, names{o});
    end
    expectedLine = sprintf('Total %d unknowns, %d foreground boundary, %d background boundary.\n', ...
                           size(c.unknownPos, 1), size(c.fgPos, 1), size(c.bgPos, 1));
    assert(strcmp(line, expectedLine), '%s: printed [%s], expected [%s]', c.name, line, expectedLine);

    % A fourth plane is ignored; a second call prints and returns the same.
    again = cell(1, 7);
    line2 = evalc('[again{:}] = fringeScan(cat(3, image, -image(:, :, 1)), masks{:});');
    assert(isequal(again, out) && strcmp(line2, line), '%s: four planes or a second call differ', c.name);
  end
end

function m = maskOf(positions, c)
  m = false(c.rows, c.cols);
  for k = 1:size(positions, 1)
    m(positions(k, 1), positions(k, 2)) = true;
  end
end

function colour = colourOf(positions)
  r = positions(:, 1); k = positions(:, 2);
  R = r + 10 * k + 100; G = r + 10 * k + 200; B = r + 10 * k + 300;
  colour = [R, G, B, (0.587 * G + 0.299 * R) + 0.114 * B];
  if isempty(positions)
    colour = zeros(0, 4);
  end
end

function againstReference()
  for seed = 1:300
    rand('twister', seed);
    rows = randi(7); cols = randi(7);
    image = rand(rows, cols, 3);
    masks = {rand(rows, cols) < 0.3, rand(rows, cols) < 0.3, rand(rows, cols) < 0.25};
    got = cell(1, 7); expected = cell(1, 7);
    evalc('[got{:}] = fringeScan(image, masks{:});');
    [expected{:}] = fringeReference(image, masks{:});
    assert(isequal(got, expected), 'random trimap (seed %d, %dx%d): differs from the loop reference', seed, rows, cols);
  end
end

function maskClassesAgree()
  rand('twister', 11);
  image = rand(5, 6, 3);
  masks = {rand(5, 6) < 0.4, rand(5, 6) < 0.4, rand(5, 6) < 0.3};
  base = cell(1, 7);
  evalc('[base{:}] = fringeScan(image, masks{:});');
  % Any non-zero byte is set, including negative int8 and large uint8 values.
  variants = {@(m) uint8(m) * 200, @(m) int8(m) * -3, @(m) int8(m)};
  for v = 1:numel(variants)
    converted = cellfun(variants{v}, masks, 'UniformOutput', false);
    got = cell(1, 7);
    evalc('[got{:}] = fringeScan(image, converted{:});');
    assert(isequal(got, base), 'mask class variant %d differs from logical masks', v);
  end
end

function requestedOutputsOnly()
  rand('twister', 5);
  image = rand(4, 4, 3);
  masks = {rand(4) < 0.5, rand(4) < 0.5, rand(4) < 0.5};
  full = cell(1, 7);
  evalc('[full{:}] = fringeScan(image, masks{:});');
  for n = 1:7
    part = cell(1, n);
    evalc('[part{:}] = fringeScan(image, masks{:});');
    assert(isequal(part, full(1:n)), '%d outputs: not the first %d of seven', n, n);
  end
  % With no output variable the first output still comes back (as ans).
  fringeScan(image, masks{:});
  assert(isequal(ans, full{1}), 'no outputs: ans is not fgPos'); %#ok<NOANS>
end
