function [sad, mse, unknown, gradient, connectivity] = matteScores(alpha, trueAlpha, trimap)
%MATTESCORES Error of a matte over the trimap's unknown region, as the alpha matting
%   benchmark measures it.
%   [sad, mse, unknown, gradient, connectivity] = matteScores(alpha, trueAlpha, trimap)
%   alpha, trueAlpha  rows x cols doubles in [0, 1];
%   trimap            rows x cols (or x 3, first plane): the unknown region is every pixel
%                     that is neither 0 nor 255 (uint8) or neither 0 nor 1 (other classes).
%   sad           sum of |alpha - trueAlpha| over the unknown pixels, divided by 1000;
%   mse           mean of (alpha - trueAlpha)^2 over them;
%   unknown       their number;
%   gradient      sum over them of the squared difference of the two mattes' gradient
%                 magnitudes, divided by 1000: derivative-of-Gaussian filters of sigma
%                 1.4, 9 x 9, scaled to unit L2 norm, the borders replicated;
%   connectivity  sum over them of |phi(alpha) - phi(trueAlpha)|, divided by 1000: for
%                 the thresholds 0.1, 0.2, ..., 1 the largest 4-connected component of
%                 (alpha >= t & trueAlpha >= t); a pixel's level l is the threshold
%                 before the first one that drops it (1 if none does), and
%                 phi = 1 - d .* (d >= 0.15), d = matte - l; in single precision.
%   These are the conventions of the benchmark's evaluation code: the peers' mattes in
%   ../shared/photos score their published totals with them (bench/peerScores.csv).
%   gradient and connectivity are computed only when asked for.
%
%   See also matteQuality.
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
if nargout > 3
    squared = (gradientMagnitude(alpha) - gradientMagnitude(trueAlpha)) .^ 2;
    gradient = sum(squared(~known)) / 1000;
end
if nargout > 4
    [phi, truePhi] = matteConnectivity(alpha, trueAlpha);
    connectivity = sum(double(abs(phi(~known) - truePhi(~known)))) / 1000;
end
end

function magnitude = gradientMagnitude(alpha)
% The benchmark's Gaussian gradient: the derivative of a Gaussian of sigma 1.4 along
% one axis times the Gaussian along the other, cut where the Gaussian falls below
% 1 % of its peak density (9 x 9), scaled to unit L2 norm; the image's border replicated.
sigma = 1.4;
half = ceil(sigma * sqrt(-2 * log(sqrt(2 * pi) * sigma * 0.01)));
u = -half:half;
gauss = exp(-u .^ 2 / (2 * sigma ^ 2)) / (sigma * sqrt(2 * pi));
kernel = gauss' * (-u .* gauss / sigma ^ 2);   % derivative along the columns (x)
kernel = kernel / sqrt(sum(kernel(:) .^ 2));
padded = alpha([ones(1, half), 1:end, end * ones(1, half)], [ones(1, half), 1:end, end * ones(1, half)]);
gx = conv2(padded, kernel, 'valid');
gy = conv2(padded, kernel', 'valid');
magnitude = sqrt(gx .^ 2 + gy .^ 2);
end
