%TRIMAPFROMMASK A trimap from a rough mask (a segmentation, a selection, a chroma key).
%   trimap = trimapFromMask(mask)
%   trimap = trimapFromMask(mask, Name, Value, ...)
%
%   Marks the mask's sure foreground (values >= High) as foreground where it lies
%   farther than Band pixels from every other pixel, its sure background (values
%   <= Low) as background where it lies farther than Band pixels from every other
%   pixel, and everything else as unknown: a band of about Band pixels on each side
%   of the mask's edge, wider where the mask is soft. Distances are exact Euclidean
%   distances between pixel centres; pixels beyond the image border count as
%   neither side, so an object touching the border stays foreground there. Where the
%   band would leave no foreground (an object thinner than the band), the pixels
%   deepest inside it stay foreground; the background likewise.
%
%   Inputs:
%     mask    rows x cols: logical, double or single in [0, 1], or uint8 / uint16
%             (scaled to [0, 1]).
%
%   Options (name, value pairs; names in any case):
%     'Band'  unknown band on each side of the edge in pixels, >= 0; [] (default):
%             2 % of the square root of the foreground area (mask >= 0.5), kept
%             within 3..30 pixels, so that the band grows with the object as the
%             edge error of a mask made at a fixed, coarse resolution does.
%     'Low'   values <= Low are background (default 0.05)
%     'High'  values >= High are foreground (default 0.95); 0 <= Low < High <= 1
%
%   trimap    rows x cols uint8: 0 background, 128 unknown, 255 foreground, as
%             pairMatte reads it.
%
%   Errors have the identifiers pairseek:trimapFromMask:<what>; emptyMask when no
%   value reaches High, fullMask when none is at most Low.
%
%   Example:
%     image = imread('data/synth1_image.png');
%     mask = imread('data/synth1_alpha.png') > 128;     % any rough mask
%     alpha = pairMatte(image, trimapFromMask(mask, 'Band', 8));
%
%   See also pairMatte, estimateForeground, composite.
