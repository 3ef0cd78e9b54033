function b = bitsOf(a)
%BITSOF Class, size and raw bytes of an array: a snapshot that compares bit for bit
%   (NaN and -0 included) and shares no storage with the array it was taken from.
%   A cell gives the snapshots of its elements; any other value is kept as it is.
  if iscell(a)
    b = cellfun(@bitsOf, a, 'UniformOutput', false);
    return;
  end
  if ~(isnumeric(a) || islogical(a) || ischar(a))
    b = a;
    return;
  end
  b.class = class(a);
  b.size = size(a);
  b.sparse = issparse(a);
  b.complex = ~isreal(a);
  v = full(a(:));
  if islogical(v) || ischar(v)
    v = uint8(v);
  end
  b.real = typecast(real(v), 'uint8');
  b.imag = typecast(imag(v), 'uint8');
end
