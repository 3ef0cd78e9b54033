%COMPOSITE A cut-out over a new background colour or image.
%   image = composite(foreground, alpha, background)
%
%   Returns alpha .* foreground + (1 - alpha) .* background at every pixel.
%
%   Inputs:
%     foreground  rows x cols x 3: double or single in [0, 1], or uint8 / uint16
%                 (scaled to [0, 1]); e.g. estimateForeground's F.
%     alpha       rows x cols, of the same classes and range.
%     background  a colour (3 values, e.g. [0 0.6 0.2] or uint8([0 153 51])) or an
%                 image rows x cols x 3, of the same classes and range.
%
%   image         rows x cols x 3 double in [0, 1].
%
%   Errors have the identifiers pairseek:composite:<what>; the inputs are never
%   changed.
%
%   Example:
%     image = imread('data/synth1_image.png');
%     alpha = pairMatte(image, imread('data/synth1_trimap.png'));
%     imwrite(composite(estimateForeground(image, alpha), alpha, [1 1 1]), 'onWhite.png');
%
%   See also estimateForeground, pairMatte.
