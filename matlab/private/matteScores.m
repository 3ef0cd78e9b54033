function [sad, mse, unknown] = matteScores(alpha, trueAlpha, trimap)
%MATTESCORES Error of a matte over the trimap's unknown region.
%   sad: sum of |alpha - trueAlpha| over the unknown pixels, divided by 1000;
%   mse: mean of (alpha - trueAlpha)^2 over them; unknown: their number.
trimap = trimap(:, :, 1);
if isa(trimap, 'uint8')
    known = trimap == 0 | trimap == 255;
else
    known = trimap == 0 | trimap == 1;
end
difference = alpha(~known) - trueAlpha(~known);
unknown = numel(difference);
sad = sum(abs(difference)) / 1000;
mse = sum(difference .^ 2) / max(unknown, 1);
end
