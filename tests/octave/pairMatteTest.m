function pairMatteTest()
%PAIRMATTETEST Host tests of pairMatte: known answers, accepted classes, seeds,
%   errors and the outputs' contract.
  knownAnswers();
  imageClassesAgree();
  trimapClassesAgree();
  seedsRepeat();
  noUnknownPixels();
  outputsContract();
  verboseLines();
  errors();
  fprintf('pairMatteTest: passed\n');
end

function [image, trimap] = twoColours(middle)
  % 6 x 9: red columns 1-3, blue columns 7-9, columns 4-6 as given (1 x 3 x 3
  % colours), unknown in the trimap.
  red = reshape([0.9 0.1 0.1], 1, 1, 3);
  blue = reshape([0.1 0.2 0.8], 1, 1, 3);
  image = repmat([red red red middle blue blue blue], 6, 1);
  trimap = repmat(uint8([255 255 255 128 128 128 0 0 0]), 6, 1);
end

function knownAnswers()
  % A sharp edge is explained exactly by one of the two colours; an even blend
  % by alpha 0.5, when it is read as it was made: of the stored values with
  % Gamma 1 (a composite), of light (values^gamma) with that gamma (a camera).
  % The refinement's iterative solve keeps them within what its stop leaves (a
  % relative residual of 5e-4: about 1e-3 here).
  red = reshape([0.9 0.1 0.1], 1, 1, 3);
  blue = reshape([0.1 0.2 0.8], 1, 1, 3);
  ofLight = @(g) ((red .^ g + blue .^ g) / 2) .^ (1 / g);
  cases = struct('name', {'sharp edge', 'even blend of stored values', 'even blend of light'}, ...
                 'middle', {[red red blue], repmat(0.5 * red + 0.5 * blue, 1, 3), repmat(ofLight(2.2), 1, 3)}, ...
                 'gamma', {{}, {'Gamma', 1}, {'Gamma', 2.2}}, 'ofStoredValues', {true, true, false}, ...
                 'alpha', {[1 1 0], [0.5 0.5 0.5], [0.5 0.5 0.5]}, 'tolerance', {0, 1e-12, 1e-12});
  for t = 1:numel(cases)
    c = cases(t);
    [image, trimap] = twoColours(c.middle);
    expected = repmat([1 1 1 c.alpha 0 0 0], 6, 1);
    refined = pairMatte(image, trimap, c.gamma{:});
    assert(max(abs(refined(:) - expected(:))) <= 2e-3, '%s, refined: alpha differs by %g', c.name, ...
           max(abs(refined(:) - expected(:))));
    [alpha, foreground] = pairMatte(image, trimap, 'Refine', false, 'Foreground', 'samples', c.gamma{:});
    assert(max(abs(alpha(:) - expected(:))) <= c.tolerance, '%s: alpha differs by %g', c.name, ...
           max(abs(alpha(:) - expected(:))));
    % The samples' stored colours, whatever gamma the search read them with.
    unknownForeground = reshape(foreground(:, 4:6, :), [], 3);
    assert(all(ismember(unknownForeground, reshape(red, 1, 3), 'rows')), ...
           '%s: an unknown pixel took a colour that is no foreground sample', c.name);
    % The estimated foreground (the default) finds red where the pixel shows it:
    % where the image is a blend of stored values, which the estimate gives back.
    if c.ofStoredValues
      [alpha, foreground] = pairMatte(image, trimap, 'Refine', false, c.gamma{:});
      shown = alpha .* max(abs(foreground - red), [], 3);
      assert(max(shown(:)) <= 0.01, '%s: estimated foreground off red by %g', c.name, max(shown(:)));
    end
  end
  % Read as the other kind of blend, the even blend of stored values is no longer 0.5.
  [image, trimap] = twoColours(cases(strcmp({cases.name}, 'even blend of stored values')).middle);
  alpha = pairMatte(image, trimap, 'Refine', false, 'Gamma', 2.2);
  assert(abs(alpha(1, 5) - 0.5) > 0.02, 'a blend of stored values read as light gave %g', alpha(1, 5));
end

function f = softDisc()
  % A composite with a soft edge over two textured colours, values k / 255.
  [r, c] = ndgrid(1:20, 1:24);
  d = sqrt((r - 10.5) .^ 2 + (c - 12.5) .^ 2);
  alpha = min(max((7 - d) / 4 + 0.5, 0), 1);
  fg = cat(3, 0.85 + 0.05 * sin(r), 0.3 + 0.1 * cos(c), 0.15 + 0 * r);
  bg = cat(3, 0.1 + 0 * r, 0.35 + 0.2 * sin(c / 2), 0.75 + 0.1 * cos(r / 3));
  a = repmat(alpha, [1 1 3]);
  f.image8 = uint8(round(255 * (a .* fg + (1 - a) .* bg)));
  f.trimap8 = uint8(128 * ones(20, 24));
  f.trimap8(alpha == 1) = 255;
  f.trimap8(alpha == 0) = 0;
end

function imageClassesAgree()
  % The same values in any accepted class give the same matte, bit for bit.
  f = softDisc();
  reference = pairMatte(f.image8, f.trimap8);
  exact = double(f.image8) / 255;
  cases = struct('name', {'double', 'uint16'}, 'image', {exact, uint16(f.image8) * 257});
  for t = 1:numel(cases)
    assert(isequal(pairMatte(cases(t).image, f.trimap8), reference), '%s image: matte differs', cases(t).name);
  end
  % single holds k / 256 exactly: compare it with the same values as doubles.
  quarter = floor(exact * 256) / 256;
  assert(isequal(pairMatte(single(quarter), f.trimap8), pairMatte(quarter, f.trimap8)), 'single image: matte differs');
  gray = exact(:, :, 2);
  assert(isequal(pairMatte(gray, f.trimap8), pairMatte(repmat(gray, [1 1 3]), f.trimap8)), ...
         'gray image: matte differs from three equal planes');
end

function trimapClassesAgree()
  f = softDisc();
  reference = pairMatte(f.image8, f.trimap8);
  unit = double(f.trimap8) / 255;    % 0, 128/255, 1
  cases = struct('name', {'double', 'single', 'uint8 x3', 'double x3', 'other unknown values'}, ...
                 'trimap', {unit, single(unit), repmat(f.trimap8, [1 1 3]), repmat(unit, [1 1 3]), ...
                            f.trimap8 + uint8(f.trimap8 == 128) .* uint8(mod(1:24, 100))});
  for t = 1:numel(cases)
    assert(isequal(pairMatte(f.image8, cases(t).trimap), reference), '%s trimap: matte differs', cases(t).name);
  end
end

function seedsRepeat()
  % The default seed is fixed, so the same call gives the same matte; the seed is used.
  f = softDisc();
  first = pairMatte(f.image8, f.trimap8);
  assert(isequal(first, pairMatte(f.image8, f.trimap8)), 'default seed: mattes differ');
  for seed = [0 12345 4294967295]
    a = pairMatte(f.image8, f.trimap8, 'Seed', seed, 'Passes', 3);
    b = pairMatte(f.image8, f.trimap8, 'Seed', seed, 'Passes', 3);
    assert(isequal(a, b), 'seed %d: mattes differ', seed);
  end
  [image, trimap] = twoColours(repmat(reshape([0.4 0.3 0.5], 1, 1, 3), 1, 3));
  image(:, 1:3, 1) = repmat(linspace(0.5, 1, 6)', 1, 3);     % many distinct samples to choose from
  image(:, 7:9, 3) = repmat(linspace(0.3, 0.9, 6)', 1, 3);
  [~, fgA] = pairMatte(image, trimap, 'Seed', 1, 'Passes', 1, 'ColourWeight', 1000);
  [~, fgB] = pairMatte(image, trimap, 'Seed', 2, 'Passes', 1, 'ColourWeight', 1000);
  assert(~isequal(fgA, fgB), 'seeds 1 and 2 chose the same pairs everywhere');
end

function noUnknownPixels()
  % Without unknown pixels the trimap is the matte, and no module is needed.
  f = softDisc();
  cases = struct('name', {'logical', 'uint8', 'double'}, ...
                 'trimap', {f.trimap8 > 128, uint8(255 * (f.trimap8 > 128)), double(f.trimap8 > 128)});
  for t = 1:numel(cases)
    [alpha, foreground] = pairMatte(f.image8, cases(t).trimap);
    expected = double(f.trimap8 > 128);
    assert(isequal(alpha, expected), '%s: alpha is not the trimap', cases(t).name);
    assert(isequal(foreground, double(f.image8) / 255 .* expected), '%s: foreground differs', cases(t).name);
  end
end

function outputsContract()
  % alpha in [0, 1], exact on the known pixels; foreground the image on the known
  % foreground, 0 on the background and elsewhere estimated (the default: in
  % [0, 1], estimateForeground's) or a foreground sample's colour.
  f = softDisc();
  image = double(f.image8) / 255;
  [alpha, estimated] = pairMatte(f.image8, f.trimap8, 'ColourWeight', 5);
  [sameAlpha, foreground] = pairMatte(f.image8, f.trimap8, 'ColourWeight', 5, 'Foreground', 'samples');
  assert(isequal(alpha, sameAlpha), 'the foreground option changed alpha');
  unknownPixel = repmat(f.trimap8 ~= 0 & f.trimap8 ~= 255, [1 1 3]);
  direct = estimateForeground(image, alpha);
  assert(isequal(estimated(unknownPixel), direct(unknownPixel)), 'estimated foreground is not estimateForeground''s');
  assert(isequal(estimated(~unknownPixel), foreground(~unknownPixel)), 'the foreground option changed a known pixel');
  fgMask = f.trimap8 == 255;
  bgMask = f.trimap8 == 0;
  assert(isa(alpha, 'double') && isequal(size(alpha), [20 24]), 'alpha: class or size');
  assert(all(alpha(:) >= 0 & alpha(:) <= 1), 'alpha outside [0, 1]');
  assert(all(alpha(fgMask) == 1) && all(alpha(bgMask) == 0), 'alpha differs on known pixels');
  planes = reshape(foreground, [], 3);
  source = reshape(image, [], 3);
  assert(isequal(planes(fgMask(:), :), source(fgMask(:), :)), 'foreground differs on the known foreground');
  assert(all(all(planes(bgMask(:), :) == 0)), 'foreground not 0 on the background');
  touching = conv2(double(~fgMask & ~bgMask), ones(3), 'same') > 0;
  samples = source(fgMask(:) & touching(:), :);
  unknown = ~fgMask(:) & ~bgMask(:);
  assert(all(ismember(planes(unknown, :), samples, 'rows')), 'foreground of an unknown pixel is no sample colour');
end

function verboseLines()
  f = softDisc();
  quiet = evalc('pairMatte(f.image8, f.trimap8);');
  assert(isempty(quiet), 'pairMatte printed without Verbose: %s', quiet);
  loud = evalc('pairMatte(f.image8, f.trimap8, ''Verbose'', true, ''Passes'', 4);');
  lines = strsplit(strtrim(loud), char(10));
  assert(numel(lines) == 6 && ~isempty(strfind(lines{1}, 'unknowns')), ...
         'Verbose: expected the counts line, 4 passes and the refinement');
  for pass = 1:4
    assert(~isempty(regexp(lines{pass + 1}, sprintf('pass %d of 4, [0-9.]+ s, pair changed at [0-9.]+ %%', pass), 'once')), ...
           'Verbose: unexpected line "%s"', lines{pass + 1});
  end
  assert(~isempty(regexp(lines{6}, 'refined in [0-9.]+ s, [0-9.]+ s in all', 'once')), ...
         'Verbose: unexpected line "%s"', lines{6});
end

function errors()
  f = softDisc();
  image = double(f.image8) / 255;
  trimap = f.trimap8;
  withNaN = image;
  withNaN(3, 4, 2) = NaN;
  withInf = image;
  withInf(5, 6, 1) = -Inf;
  noForeground = trimap;
  noForeground(trimap == 255) = 128;
  noBackground = trimap;
  noBackground(trimap == 0) = 128;
  nanTrimap = double(trimap) / 255;
  nanTrimap(2, 2) = NaN;
  cases = {
    'trimap size',           {image, trimap(1:end - 1, :)},          'sizeMismatch'
    'trimap planes',         {image, repmat(trimap, [1 1 2])},       'sizeMismatch'
    'image planes',          {cat(3, image, image(:, :, 1)), trimap}, 'imageSize'
    'image class',           {int16(f.image8), trimap},              'imageClass'
    'complex image',         {complex(image), trimap},               'imageClass'
    'trimap class',          {image, int16(trimap)},                 'trimapClass'
    'image in 0..255',       {255 * image, trimap},                  'imageRange'
    'negative image',        {image - 0.5, trimap},                  'imageRange'
    'trimap in 0..255',      {image, double(trimap)},                'trimapRange'
    'NaN in trimap',         {image, nanTrimap},                     'nonFinite'
    'sparse image',          {sparse(image(:, :, 1)), trimap},       'imageClass'
    'NaN in image',          {withNaN, trimap},                      'nonFinite'
    'Inf in image',          {withInf, trimap},                      'nonFinite'
    'no foreground',         {image, noForeground},                  'noForeground'
    'no background',         {image, noBackground},                  'noBackground'
    'odd options',           {image, trimap, 'Passes'},              'options'
    'unknown option',        {image, trimap, 'Smooth', 1},           'options'
    'Passes 0',              {image, trimap, 'Passes', 0},           'Passes'
    'Passes 1.5',            {image, trimap, 'Passes', 1.5},         'Passes'
    'Decay 1',               {image, trimap, 'Decay', 1},            'Decay'
    'Decay negative',        {image, trimap, 'Decay', -0.1},         'Decay'
    'ColourWeight Inf',      {image, trimap, 'ColourWeight', Inf},   'ColourWeight'
    'ColourWeight negative', {image, trimap, 'ColourWeight', -1},    'ColourWeight'
    'Gamma 0',               {image, trimap, 'Gamma', 0},            'Gamma'
    'Gamma as text',         {image, trimap, 'Gamma', '2'},          'Gamma'
    'Seed negative',         {image, trimap, 'Seed', -1},            'Seed'
    'Seed 2^32',             {image, trimap, 'Seed', 2 ^ 32},        'Seed'
    'Seed fraction',         {image, trimap, 'Seed', 0.5},           'Seed'
    'Verbose text',          {image, trimap, 'Verbose', 'yes'},      'Verbose'
    'Threads negative',      {image, trimap, 'Threads', -1},         'Threads'
    'Threads fraction',      {image, trimap, 'Threads', 1.5},        'Threads'
    'Foreground unknown',    {image, trimap, 'Foreground', 'mean'},  'Foreground'
    'Foreground number',     {image, trimap, 'Foreground', 1},       'Foreground'
  };
  ids = strcat('pairseek:pairMatte:', cases(:, 3));
  checkRejections([cases(:, 1:2), num2cell(ones(size(ids))), ids]);
end
