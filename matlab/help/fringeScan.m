%FRINGESCAN Boundary samples and unknown pixels of a trimap.
%   [fgPos, fgColour, bgPos, bgColour, unknownPos, unknownColour, indexMap] = ...
%       fringeScan(image, fgMask, bgMask, unknownMask)
%
%   Inputs (all read only):
%     image        real double, rows x cols x 3 (further planes are ignored):
%                  the R, G and B planes.
%     fgMask       rows x cols, logical, uint8 or int8: definite foreground
%                  (a pixel is set when non-zero).
%     bgMask       rows x cols, same classes: definite background.
%     unknownMask  rows x cols, same classes: the unknown region.
%
%   Outputs (new arrays; ask for as many as you need, in this order):
%     fgPos, fgColour          the foreground pixels that touch the unknown
%                              region (one of their 8 neighbours is unknown):
%                              nF x 2 double positions [row col], 1-based, and
%                              nF x 4 double colours [R G B gray] with
%                              gray = (0.587*G + 0.299*R) + 0.114*B.
%     bgPos, bgColour          the same for the background pixels (nB rows).
%     unknownPos, unknownColour  every unknown pixel (nU rows), same layout.
%     indexMap                 rows x cols int32: the 1-based row of each
%                              unknown pixel in unknownPos, 0 elsewhere.
%   Every list is in column-major pixel order. A pixel set in several masks
%   enters every list whose test it passes. At the image border the
%   neighbourhood is clamped, so there a pixel's own unknown bit counts.
%
%   Prints one line on the console:
%     Total <nU> unknowns, <nF> foreground boundary, <nB> background boundary.
%
%   Errors have identifiers pairseek:fringeScan:<what> (inputCount,
%   outputCount, class, shape, tooLarge, outOfMemory); inputs are never written.
%
%   Example
%     trimap = imread('trimap.png');
%     [fgPos, fgColour, bgPos, bgColour, unknownPos, unknownColour, indexMap] = ...
%         fringeScan(image, trimap == 255, trimap == 0, trimap ~= 0 & trimap ~= 255);
%
%   The tables and the map fit pairSeek as they are.
%
%   See also PAIRSEEK, BUILDMODULES.
