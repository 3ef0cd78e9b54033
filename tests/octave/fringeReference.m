function [fgPos, fgColour, bgPos, bgColour, unknownPos, unknownColour, indexMap] = fringeReference(image, fgMask, bgMask, unknownMask)
%FRINGEREFERENCE Plain loop version of fringeScan, the oracle for random trimaps.
  [rows, cols] = size(fgMask);
  fgPos = zeros(0, 2); fgColour = zeros(0, 4);
  bgPos = zeros(0, 2); bgColour = zeros(0, 4);
  unknownPos = zeros(0, 2); unknownColour = zeros(0, 4);
  indexMap = zeros(rows, cols, 'int32');
  for c = 1:cols
    for r = 1:rows
      rgb = reshape(image(r, c, 1:3), 1, 3);
      colour = [rgb, (0.587 * rgb(2) + 0.299 * rgb(1)) + 0.114 * rgb(3)];
      window = unknownMask(max(r - 1, 1):min(r + 1, rows), max(c - 1, 1):min(c + 1, cols));
      % Clamped neighbours fold onto the pixel itself only at the border.
      onBorder = r == 1 || r == rows || c == 1 || c == cols;
      centre = centreOf(window, r, c);
      touches = any(window(:) ~= 0 & ~centre(:)) || (onBorder && unknownMask(r, c) ~= 0);
      if fgMask(r, c) ~= 0 && touches
        fgPos(end + 1, :) = [r c]; fgColour(end + 1, :) = colour;
      end
      if bgMask(r, c) ~= 0 && touches
        bgPos(end + 1, :) = [r c]; bgColour(end + 1, :) = colour;
      end
      if unknownMask(r, c) ~= 0
        unknownPos(end + 1, :) = [r c]; unknownColour(end + 1, :) = colour;
        indexMap(r, c) = size(unknownPos, 1);
      end
    end
  end
end

function m = centreOf(window, r, c)
  m = false(size(window));
  m(r - max(r - 1, 1) + 1, c - max(c - 1, 1) + 1) = true;
end
