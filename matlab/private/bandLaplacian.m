function [triangle, knownPart] = bandLaplacian(image, unknownMask, knownAlpha, radius, epsilon, diagonal)
%BANDLAPLACIAN Matting Laplacian restricted to the unknown pixels, lower triangle.
%   [triangle, knownPart] = bandLaplacian(image, unknownMask, knownAlpha, radius, epsilon, diagonal)
%   With L the closed-form matting Laplacian (windows of (2*radius+1)^2 pixels wholly
%   inside the image, regulariser epsilon) and u the unknown pixels in column-major
%   order: triangle is the lower triangle, diagonal included, of L(u, u) + diag(diagonal),
%   an nU x nU sparse matrix; knownPart = L(u, ~u) * knownAlpha(~u), the coupling to
%   the known pixels. Only windows that hold an unknown pixel are visited.
%
%   Windows go in chunks, and only one triangle is stored: on a host where every
%   fresh page of memory costs a fault, the arrays' size is what the time follows.

[rows, cols, ~] = size(image);
side = 2 * radius + 1;
n = side * side;
unknownCell = find(unknownMask(:));
nU = numel(unknownCell);
unknownIndex = zeros(rows, cols);
unknownIndex(unknownCell) = 1:nU;
dummy = nU + 1;                                  % collects what belongs to known pixels

% Window centres: windows inside the image that hold an unknown pixel.
inner = false(rows, cols);
inner(radius + 1:rows - radius, radius + 1:cols - radius) = true;
centre = find(inner & conv2(double(unknownMask), ones(side), 'same') > 0);
m = numel(centre);

% Slot a of a window lies at centre + offset(a). For slots a <= b the pixel of b
% follows that of a in column-major order, so the pair is an entry of the lower
% triangle: column pairColumn(a, b) of band holds the pixel's neighbour at relative position
% (dr(b) - dr(a), dc(b) - dc(a)), numbered by column then row from (0, 0).
[dr, dc] = ndgrid(-radius:radius, -radius:radius);
dr = dr(:)';
dc = dc(:)';
offset = dr + dc * rows;
span = 4 * radius + 1;
halfCount = (span * span + 1) / 2;
pairColumn = zeros(n);
for a = 1:n
    for b = a:n
        pairColumn(a, b) = (dr(b) - dr(a) + 2 * radius + 1) + (dc(b) - dc(a) + 2 * radius) * span ...
                           - (halfCount - 1);
    end
end

planes = rows * cols;
knownOnly = knownAlpha .* ~unknownMask;
band = zeros(dummy, halfCount);
knownPart = zeros(dummy, 1);
chunk = 4096;
for first = 1:chunk:m
    pix = centre(first:min(first + chunk - 1, m)) + offset;   % windows x slots
    R = image(pix);
    G = image(pix + planes);
    B = image(pix + 2 * planes);
    R = R - sum(R, 2) / n;
    G = G - sum(G, 2) / n;
    B = B - sum(B, 2) / n;
    e = epsilon / n;
    srr = sum(R .* R, 2) / n + e;
    srg = sum(R .* G, 2) / n;
    srb = sum(R .* B, 2) / n;
    sgg = sum(G .* G, 2) / n + e;
    sgb = sum(G .* B, 2) / n;
    sbb = sum(B .* B, 2) / n + e;
    % Inverse of each window's regularised covariance, by cofactors.
    det = srr .* (sgg .* sbb - sgb .* sgb) + srg .* (srb .* sgb - srg .* sbb) + srb .* (srg .* sgb - srb .* sgg);
    c11 = (sgg .* sbb - sgb .* sgb) ./ det;
    c12 = (srb .* sgb - srg .* sbb) ./ det;
    c13 = (srg .* sgb - srb .* sgg) ./ det;
    c22 = (srr .* sbb - srb .* srb) ./ det;
    c23 = (srb .* srg - srr .* sgb) ./ det;
    c33 = (srr .* sgg - srg .* srg) ./ det;
    vR = c11 .* R + c12 .* G + c13 .* B;
    vG = c12 .* R + c22 .* G + c23 .* B;
    vB = c13 .* R + c23 .* G + c33 .* B;

    rowU = unknownIndex(pix);
    rowU(rowU == 0) = dummy;
    for a = 1:n
        for b = a:n
            v = -(1 + vR(:, a) .* R(:, b) + vG(:, a) .* G(:, b) + vB(:, a) .* B(:, b)) / n;
            if a == b
                v = v + 1;
            end
            at = rowU(:, a) + (pairColumn(a, b) - 1) * dummy;   % distinct but for the dummy row
            band(at) = band(at) + v;
        end
    end

    % Coupling to the known pixels, each window's L_k * knownOnly at its unknown slots:
    % (L_k x)_i = x_i - (sum(x) + d_i' * inv(C) * sum_j(d_j * x_j)) / n, x_i = 0 there.
    x = knownOnly(pix);
    pr = sum(R .* x, 2);
    pg = sum(G .* x, 2);
    pb = sum(B .* x, 2);
    qR = c11 .* pr + c12 .* pg + c13 .* pb;
    qG = c12 .* pr + c22 .* pg + c23 .* pb;
    qB = c13 .* pr + c23 .* pg + c33 .* pb;
    total = sum(x, 2);
    for a = 1:n
        at = rowU(:, a);
        knownPart(at) = knownPart(at) - (total + R(:, a) .* qR + G(:, a) .* qG + B(:, a) .* qB) / n;
    end
end
knownPart = knownPart(1:nU);
band(1:nU, 1) = band(1:nU, 1) + diagonal;

% Entries offset by offset, through an index grid padded so that no offset leaves it.
% Each column of the matrix then receives its rows in increasing order, which sparse
% assembles without sorting.
pad = 2 * radius;
paddedRows = rows + 2 * pad;
indexGrid = zeros(paddedRows, cols + 2 * pad);
indexGrid(pad + 1:pad + rows, pad + 1:pad + cols) = unknownIndex;
[er, ec] = ndgrid(-pad:pad, -pad:pad);
shift = er(halfCount:end) + ec(halfCount:end) * paddedRows;
paddedCell = mod(unknownCell - 1, rows) + 1 + pad + (floor((unknownCell - 1) / rows) + pad) * paddedRows;
count = 0;
for h = 1:halfCount
    count = count + nnz(indexGrid(paddedCell + shift(h)));
end
entryRow = zeros(count, 1);
entryColumn = zeros(count, 1);
entryValue = zeros(count, 1);
count = 0;
for h = 1:halfCount
    neighbour = indexGrid(paddedCell + shift(h));
    present = find(neighbour);
    next = count + (1:numel(present));
    entryRow(next) = neighbour(present);
    entryColumn(next) = present;
    entryValue(next) = band(present, h);
    count = count + numel(present);
end
clear band indexGrid;   % freed before sparse allocates: less fresh memory to fault in
triangle = sparse(entryRow, entryColumn, entryValue, nU, nU);
end
