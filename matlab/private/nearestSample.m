function [distance, nearest] = nearestSample(rows, cols, samplePos)
%NEARESTSAMPLE Exact Euclidean distance from every pixel to the nearest sample of each list.
%   [distance, nearest] = nearestSample(rows, cols, samplePos) takes samplePos, a cell array
%   of K tables (n_k x 2, 1-based row and column, as fringeScan returns them), and returns
%   two rows x cols x K arrays: distance(r, c, k), the Euclidean distance from pixel (r, c) to
%   the nearest sample of table k, and nearest(r, c, k), that sample's row in table k
%   (Inf and 0 where table k is empty). Among equally near samples one is picked by a fixed rule.
%
%   Separable transform: the nearest sample within each grid line, then the lower envelope of
%   parabolas across the lines (Felzenszwalb and Huttenlocher), vectorised over the lines and
%   over the K lists, so the interpreter loops only along the shorter side of the grid.

nLists = numel(samplePos);
transposed = rows < cols;   % scan along the longer side, loop along the shorter
if transposed
    [rows, cols] = deal(cols, rows);
    samplePos = cellfun(@(p) p(:, [2 1]), samplePos, 'UniformOutput', false);
end

% Along each column: the nearest sample row of the same column, and its squared distance.
lineRow = (1:rows)';
sampleGrid = zeros(rows, cols, nLists);
nearRow = zeros(rows * nLists, cols);
squared = zeros(rows * nLists, cols);
for k = 1:nLists
    grid = zeros(rows, cols);
    pos = samplePos{k};
    grid(pos(:, 1) + (pos(:, 2) - 1) * rows) = 1:size(pos, 1);
    sampleGrid(:, :, k) = grid;
    isSample = grid > 0;
    above = cummax(isSample .* lineRow, 1);          % last sample row <= r, 0 if none
    belowKey = isSample .* lineRow;
    belowKey(~isSample) = Inf;
    below = flipud(cummin(flipud(belowKey), 1));     % first sample row >= r, Inf if none
    upGap = lineRow - above;
    upGap(above == 0) = Inf;
    downGap = below - lineRow;
    useBelow = downGap < upGap;
    row = above;
    row(useBelow) = below(useBelow);
    block = (k - 1) * rows + (1:rows);
    nearRow(block, :) = row;
    squared(block, :) = min(upGap, downGap) .^ 2;
end

% Across the columns: lower envelope of q -> (q - c)^2 + squared(line, c) for every line.
nLines = rows * nLists;
line = (1:nLines)';
apex = zeros(nLines, cols);       % columns of the envelope's parabolas
start = zeros(nLines, cols);      % where each parabola starts to be the lowest
depth = zeros(nLines, 1);         % parabolas in each line's envelope
for q = 1:cols
    here = line(squared(:, q) < Inf);
    if isempty(here)
        continue;
    end
    top = depth(here);
    fresh = top == 0;
    first = here(fresh);
    apex(first) = q;
    start(first) = -Inf;
    depth(first) = 1;
    here = here(~fresh);
    top = top(~fresh);
    if isempty(here)
        continue;
    end
    level = squared(here, q) + q * q;
    while true
        at = here + (top - 1) * nLines;
        c = apex(at);
        cross = (level - (squared(here + (c - 1) * nLines) + c .* c)) ./ (2 * (q - c));
        drop = cross <= start(at);   % never at the first parabola, whose start is -Inf
        if ~any(drop)
            break;
        end
        top(drop) = top(drop) - 1;
    end
    top = top + 1;
    at = here + (top - 1) * nLines;
    apex(at) = q;
    start(at) = cross;
    depth(here) = top;
end

% Parabola j of a line serves the columns q with start(j) < q <= start(j + 1).
[lineOf, slot] = find(start > -Inf & (1:cols) <= depth);
firstServed = max(floor(start(lineOf + (slot - 1) * nLines)) + 1, 1);
inside = firstServed <= cols;
steps = accumarray([lineOf(inside), firstServed(inside)], 1, [nLines, cols]);
slotOf = 1 + cumsum(steps, 2);
bestCol = apex(line + (slotOf - 1) * nLines);
empty = depth == 0;
bestCol(empty, :) = 1;
bestRowAt = line + (bestCol - 1) * nLines;
dist2 = ((1:cols) - bestCol) .^ 2 + squared(bestRowAt);
dist2(empty, :) = Inf;
bestRow = nearRow(bestRowAt);

distance = zeros(rows, cols, nLists);
nearest = zeros(rows, cols, nLists);
for k = 1:nLists
    block = (k - 1) * rows + (1:rows);
    distance(:, :, k) = sqrt(dist2(block, :));
    if ~any(empty(block))   % a list with samples reaches every line
        grid = sampleGrid(:, :, k);
        nearest(:, :, k) = grid(bestRow(block, :) + (bestCol(block, :) - 1) * rows);
    end
end
if transposed
    distance = permute(distance, [2 1 3]);
    nearest = permute(nearest, [2 1 3]);
end
end
