%ESTIMATEFOREGROUND Foreground and background colours of an image from its alpha matte.
%   F = estimateForeground(image, alpha)
%   [F, B] = estimateForeground(image, alpha)
%
%   Finds colours F and B with alpha .* F + (1 - alpha) .* B close to the image
%   wherever 0 < alpha < 1, smooth where alpha is smooth; F is the image where
%   alpha = 1 and B the image where alpha = 0. Each pixel solves its own F and B
%   against its four neighbours' values, level by level from a coarse grid to the
%   full one (a few sweeps a level), so the time grows linearly with the pixel
%   count; the same inputs give the same result on every machine. The background
%   is shared across steps of alpha (it runs on behind the object's edges), the
%   foreground only weakly (beside a strand, a faint pixel's F is barely defined).
%
%   Inputs:
%     image   rows x cols x 3 (or rows x cols gray): double or single in [0, 1],
%             or uint8 / uint16 (scaled to [0, 1]).
%     alpha   rows x cols, of the same classes and range, e.g. pairMatte's alpha.
%
%   F, B      rows x cols x 3 double in [0, 1]. Cut the object out on a new
%             background with composite(F, alpha, background).
%
%   Errors have the identifiers pairseek:estimateForeground:<what>; the inputs
%   are never changed.
%
%   Example:
%     image = imread('data/synth1_image.png');
%     alpha = pairMatte(image, imread('data/synth1_trimap.png'));
%     F = estimateForeground(image, alpha);
%     imwrite(composite(F, alpha, [0 0.6 0.2]), 'cutout.png');
%
%   See also composite, pairMatte, trimapFromMask.
