function total = boxSum(x, radius)
%BOXSUM Sum of x over the (2*radius+1)^2 window around each element, clipped at the borders.
%   Running sums along each dimension make the cost independent of the radius.
[rows, cols] = size(x);
running = cumsum([zeros(1, cols); x], 1);
total = running(min((1:rows)' + radius, rows) + 1, :) - running(max((1:rows)' - radius, 1), :);
running = cumsum([zeros(rows, 1), total], 2);
total = running(:, min((1:cols) + radius, cols) + 1) - running(:, max((1:cols) - radius, 1));
end
