function [distance, nearest] = nearestSample(rows, cols, samplePos, cells)
%NEARESTSAMPLE Exact Euclidean distance from grid cells to the nearest sample of each list.
%   [distance, nearest] = nearestSample(rows, cols, samplePos, cells) takes samplePos, a
%   cell array of K tables (n_k x 2, 1-based row and column, as fringeScan returns them),
%   and cells, column-major linear indices into the rows x cols grid (omitted: all). It
%   returns two numel(cells) x K arrays: the distance from each cell to the nearest sample
%   of table k, and that sample's row in table k (Inf and 0 where table k is empty).
%   Among equally near samples the one with the smallest column, then row, is taken.
%
%   Separable and linear in the grid: the nearest sample within each column, then the
%   lower envelope of parabolas along each row (Felzenszwalb and Huttenlocher), built
%   for all rows of all lists at once so that the interpreter loops only over columns.

if nargin < 4
    cells = (1:rows * cols)';
end
cells = cells(:);
nLists = numel(samplePos);
cellRow = mod(cells - 1, rows) + 1;
cellCol = (cells - cellRow) / rows + 1;

% Along each column: the nearest sample row of the same column (the upper one of two
% equally near) and its squared distance, for all lists stacked as rows * nLists lines.
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

% Per cell and list (flattened, list after list): the line it lies on, then the
% best column of that line. Gathers are reshaped, as indexing a single row gives rows.
nCells = numel(cells);
nLines = rows * nLists;
flatLine = reshape(cellRow + (0:nLists - 1) * rows, [], 1);
flatCol = repmat(cellCol, nLists, 1);
empty = cellfun(@isempty, samplePos(:)');
flatEmpty = reshape(repmat(empty, nCells, 1), [], 1);
envelope = lowerEnvelope(squared, cols);
bestCol = reshape(envelope(flatLine + (flatCol - 1) * nLines), [], 1);

bestCol(flatEmpty) = 1;
at = flatLine + (bestCol - 1) * nLines;
distance = sqrt((flatCol - bestCol) .^ 2 + reshape(squared(at), [], 1));
distance(flatEmpty) = Inf;
nearest = zeros(nCells * nLists, 1);
list = reshape(repmat(0:nLists - 1, nCells, 1), [], 1);
sampleAt = reshape(nearRow(at), [], 1) + (bestCol - 1) * rows + list * rows * cols;
nearest(~flatEmpty) = sampleGrid(sampleAt(~flatEmpty));
distance = reshape(distance, nCells, nLists);
nearest = reshape(nearest, nCells, nLists);
end

function bestCol = lowerEnvelope(squared, cols)
% For every line and column q, the column c minimising (q - c)^2 + squared(line, c):
% the lower envelope of the lines' parabolas, built for all lines at once. Each envelope
% starts with a sentinel parabola so far to the left that it is above every real one
% on 1..cols, so no line needs a separate first push.
nLines = size(squared, 1);
line = (1:nLines)';
far = -(nLines + cols);
apex = [far * ones(nLines, 1), zeros(nLines, cols)];     % columns of the envelope's parabolas
lift = [far ^ 2 * ones(nLines, 1), zeros(nLines, cols)];   % their squared(line, apex) + apex^2
start = [-Inf(nLines, 1), zeros(nLines, cols)];           % where each starts to be the lowest
depth = ones(nLines, 1);                                  % parabolas in each envelope
for q = 1:cols
    here = line(squared(:, q) < Inf);
    if isempty(here)
        continue;
    end
    level = squared(here, q) + q * q;
    top = depth(here);
    at = here + (top - 1) * nLines;
    cross = (level - lift(at)) ./ (2 * (q - apex(at)));
    pending = find(cross <= start(at));   % never the sentinel, whose start is -Inf
    while ~isempty(pending)
        at(pending) = at(pending) - nLines;
        cross(pending) = (level(pending) - lift(at(pending))) ./ (2 * (q - apex(at(pending))));
        pending = pending(cross(pending) <= start(at(pending)));
    end
    at = at + nLines;
    apex(at) = q;
    lift(at) = level;
    start(at) = cross;
    depth(here) = (at - here) / nLines + 1;
end

% Parabola j serves the columns q with start(j) < q <= start(j + 1): on a tie the left
% one. The sentinel serves none, as its crossing with any real parabola lies below 1.
[lineOf, slot] = find(start > -Inf & (1:cols + 1) <= depth);
lineOf = lineOf(:);   % find gives rows for a single line
firstServed = max(floor(reshape(start(lineOf + (slot(:) - 1) * nLines), [], 1)) + 1, 1);
inside = firstServed <= cols;
steps = accumarray([lineOf(inside), firstServed(inside)], 1, [nLines, cols]);
bestCol = apex(line + cumsum(steps, 2) * nLines);
bestCol(depth == 1, :) = 1;   % lines of an empty list
end
