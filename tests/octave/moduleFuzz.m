function moduleFuzz(calls, seed)
%MODULEFUZZ Thousands of random calls of fringeScan, pairSeek and refineBand in one
%   process, with a call of a cut-out module (estimateForeground, composite,
%   trimapFromMask) beside about every third: valid ones, and ones with one or two
%   arguments broken (class, shape, size, NaN/Inf, out-of-range indices, aliased arrays). Each call must succeed or
%   raise a pairseek: error; after an error, and after any call with outputs,
%   every input is bit-identical. A bad call found is reported with its seed.
  if nargin < 1, calls = 3000; end
  if nargin < 2, seed = 1; end
  rand('twister', seed);
  accepted = 0; rejected = 0;
  for k = 1:calls
    f = randomFixture();
    pick = rand();
    if pick < 0.25
      module = 'fringeScan';
      args = {f.image, f.fgMask, f.bgMask, f.unknownMask};
      nout = randi([0 8]);
    elseif pick < 0.45
      module = 'refineBand';
      args = f.refineArgs;
      nout = randi([0 2]);
    else
      module = 'pairSeek';
      args = f.args;
      if rand() < 0.5, args{end + 1} = randi([0 100]); end
      nout = randi([1 4]);
    end
    [accepted, rejected] = fuzzCall(module, args, nout, k, seed, accepted, rejected);
    if rand() < 0.3
      [module, args, nout] = cutoutCall(f);
      [accepted, rejected] = fuzzCall(module, args, nout, k, seed, accepted, rejected);
    end
  end
  fprintf('moduleFuzz: %d calls, %d accepted, %d rejected\n', accepted + rejected, accepted, rejected);
end

function [accepted, rejected] = fuzzCall(module, args, nout, k, seed, accepted, rejected)
  if rand() < 0.8
    args = breakArguments(args, randi([1 2]));
  end
  snapshot = bitsOf(args);
  failed = false;
  try
    out = cell(1, max(nout, 1));
    if nout == 0
      evalc('feval(module, args{:});');
    else
      evalc('[out{1:nout}] = feval(module, args{:});');
    end
    accepted = accepted + 1;
  catch err
    failed = true;
    rejected = rejected + 1;
    assert(strncmp(err.identifier, 'pairseek:', 9), ...
           'call %d (seed %d, %s): error without a pairseek identifier: %s (%s)', ...
           k, seed, module, err.message, err.identifier);
  end
  if failed || nout > 0
    same = isequal(bitsOf(args), snapshot);
    assert(same, 'call %d (seed %d, %s): an input changed', k, seed, module);
  end
end

function [module, args, nout] = cutoutCall(f)
  % One of the cut-out modules with valid arguments from the fixture.
  alpha = rand(size(f.unknownMask));
  switch randi(3)
    case 1
      module = 'estimateForeground';
      args = {f.image, alpha};
      nout = randi([0 2]);
    case 2
      module = 'composite';
      backgrounds = {rand(1, 3), f.image};
      args = {f.image, alpha, backgrounds{randi(2)}};
      nout = randi([0 1]);
    otherwise
      module = 'trimapFromMask';
      args = {double(f.fgMask) + 0.5 * f.unknownMask, 'Band', 3 * rand(), 'Low', 0.05, 'High', 0.95};
      nout = randi([0 1]);
  end
end

function f = randomFixture()
  % A random small trimap with valid module arguments built from it.
  rows = randi([0 7]); cols = randi([0 7]);
  labels = randi([0 2], rows, cols);
  f.image = rand(rows, cols, 3);
  f.fgMask = labels == 1; f.bgMask = labels == 0; f.unknownMask = labels == 2;
  t = cell(1, 7);
  evalc('[t{:}] = fringeScan(f.image, f.fgMask, f.bgMask, f.unknownMask);');
  [fgPos, fgColour, bgPos, bgColour, unknownPos, unknownColour, indexMap] = t{:};
  nU = size(unknownPos, 1); nF = max(size(fgPos, 1), 1); nB = max(size(bgPos, 1), 1);
  if isempty(fgPos), fgPos = [1 1]; fgColour = rand(1, 4); end
  if isempty(bgPos), bgPos = [1 1]; bgColour = rand(1, 4); end
  f.args = {unknownColour, unknownPos, fgColour, fgPos, bgColour, bgPos, 1 + rand(nU, 1), 1 + rand(nU, 1), ...
            indexMap, f.unknownMask, rand() * 0.9, 10 * rand(), int32(randi(nF, nU, 1)), ...
            int32(randi(nB, nU, 1)), rand(rows, cols)};
  f.refineArgs = {f.image, f.unknownMask, double(f.fgMask), rand(nU, 1), rand(nU, 1), 0.03, randi([1 3]), ...
                  1e-7, 1e-3};
end

function args = breakArguments(args, count)
  for n = 1:count
    k = randi(numel(args));
    args{k} = breakValue(args{k}, args);
  end
end

function v = breakValue(v, args)
  % A mutation that does not apply to the value's type leaves the value as it was.
  try
    v = mutate(v, args);
  catch
  end
end

function v = mutate(v, args)
  switch randi(14)
    case 1, v = single(v);
    case 2, v = int32(v);
    case 3, v = uint8(v);
    case 4, v = logical(v ~= 0);
    case 5, v = complex(double(v), 1);
    case 6, v = permute(v, [2 1 3:ndims(v)]);
    case 7, v = v(1:end - 1);
    case 8, v = [];
    case 9, v = cat(3, v, v);
    case 10, v = {v};
    case 11   % NaN, Inf or an out-of-range value in place of one element
      if ~isempty(v) && isnumeric(v)
        bad = [NaN, Inf, -Inf, 0, -1, 2^31, 1e10];
        v(randi(numel(v))) = bad(randi(numel(bad)));
      end
    case 12, v = args{randi(numel(args))};   % another argument's array: aliasing
    case 13, v = 'text';
    case 14, v = sparse(double(v(:, :, 1)));
  end
end
