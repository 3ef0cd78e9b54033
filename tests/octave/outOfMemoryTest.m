function outOfMemoryTest()
%OUTOFMEMORYTEST Run under a small address-space limit (ulimit -v, see the CTest
%   registration): the host arrays fit, the scan's working storage does not. The
%   call must end with pairseek:fringeScan:outOfMemory, and the session go on.
  side = 4000;
  image = zeros(side, side, 3);
  fgMask = false(side); bgMask = false(side); unknownMask = true(side);
  raised = '';
  try
    evalc('out = fringeScan(image, fgMask, bgMask, unknownMask);');
  catch err
    raised = err.identifier;
  end
  assert(strcmp(raised, 'pairseek:fringeScan:outOfMemory'), 'raised ''%s''', raised);
  assert(~any(image(:)) && ~any(fgMask(:)) && all(unknownMask(:)), 'an input changed');
  clear image fgMask bgMask unknownMask
  % The session still works, and the module too.
  evalc('fgPos = fringeScan(zeros(2, 2, 3), [true false; false false], false(2), [false true; true true]);');
  assert(isequal(fgPos, [1 1]));
  fprintf('outOfMemoryTest: fringeScan raised %s and the session went on\n', raised);
end
