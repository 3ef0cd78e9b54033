function [phi, truePhi] = matteConnectivity(alpha, trueAlpha)
%MATTECONNECTIVITY The connectivity degree of two mattes, as the alpha matting benchmark
%   defines it. For the thresholds t = 0.1, 0.2, ..., 1, the largest 4-connected
%   component of (alpha >= t & trueAlpha >= t); a pixel's level l is the threshold
%   before the first one at which it falls out of that component (1 if it never does).
%   phi = 1 - d .* (d >= 0.15) with d = alpha - l, for each matte.
%   In single precision, as the benchmark's evaluation code computes it: it decides
%   the threshold tests of the values 0.2, 0.4, ... themselves (0.6 = 153 / 255 is
%   below the double 6 * 0.1, not below the single one).
alpha = single(alpha);
trueAlpha = single(trueAlpha);
thresholds = 0:0.1:1;
level = -ones(size(alpha), 'single');
for k = 2:numel(thresholds)
    inside = largestComponent(alpha >= thresholds(k) & trueAlpha >= thresholds(k));
    level(level == -1 & ~inside) = thresholds(k - 1);
end
level(level == -1) = 1;
phi = degree(alpha - level);
truePhi = degree(trueAlpha - level);
end

function phi = degree(d)
phi = 1 - d .* (d >= 0.15);
end

function keep = largestComponent(mask)
% Largest 4-connected component. The nodes are the runs of set pixels down each
% column, joined where two runs of neighbouring columns share a row; a symmetric
% graph with a full diagonal has its connected components as dmperm's blocks.
[rows, cols] = size(mask);
keep = false(rows, cols);
if ~any(mask(:))
    return;
end
starts = mask & ~[false(1, cols); mask(1:end - 1, :)];
run = reshape(cumsum(starts(:)), rows, cols);
runs = run(end);
joined = mask(:, 1:end - 1) & mask(:, 2:end);
left = run(:, 1:end - 1);
right = run(:, 2:end);
graph = sparse([left(joined); (1:runs)'], [right(joined); (1:runs)'], 1, runs, runs);
[order, ~, blocks] = dmperm(graph + graph');
component = zeros(runs, 1);
component(order) = repelem((1:numel(blocks) - 1)', diff(blocks));
pixelComponent = component(run(mask));
[~, largest] = max(accumarray(pixelComponent, 1));
keep(mask) = pixelComponent == largest;
end
