function f = searchFixture(rows, cols)
%SEARCHFIXTURE A small composite image (a soft disc), its trimap, and a valid
%   pairSeek argument list built from fringeScan's outputs. No randomness.
  [r, c] = ndgrid(1:rows, 1:cols);
  d = sqrt((r - rows / 2) .^ 2 + (c - cols / 2) .^ 2);
  f.alpha = min(max((min(rows, cols) / 3 - d) / 3 + 0.5, 0), 1);
  fg = cat(3, 0.9 + 0.05 * sin(r), 0.2 + 0.1 * cos(c), 0.1 + 0 * r);
  bg = cat(3, 0.1 + 0 * r, 0.3 + 0.2 * sin(c / 2), 0.8 + 0.1 * cos(r / 3));
  a = repmat(f.alpha, [1 1 3]);
  f.image = a .* fg + (1 - a) .* bg;
  f.fgMask = f.alpha == 1;
  f.bgMask = f.alpha == 0;
  f.unknownMask = ~f.fgMask & ~f.bgMask;
  t = cell(1, 7);
  evalc('[t{:}] = fringeScan(f.image, f.fgMask, f.bgMask, f.unknownMask);');
  [fgPos, fgColour, bgPos, bgColour, unknownPos, unknownColour, indexMap] = t{:};
  nU = size(unknownPos, 1); nF = size(fgPos, 1); nB = size(bgPos, 1);
  fgIndex = int32(mod((0:nU - 1)' * 7, nF) + 1);
  bgIndex = int32(mod((0:nU - 1)' * 5 + 3, nB) + 1);
  scale = 4 + mod((1:nU)', 3);
  f.args = {unknownColour, unknownPos, fgColour, fgPos, bgColour, bgPos, scale, scale + 1, indexMap, ...
            f.unknownMask, 0.5, 1.5, fgIndex, bgIndex, double(f.fgMask)};
end
