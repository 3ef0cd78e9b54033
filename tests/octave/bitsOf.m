function b = bitsOf(a)
%BITSOF Class, size and raw bytes of an array: a snapshot that compares bit for bit
%   (NaN and -0 included) and shares no storage with the array it was taken from.
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
