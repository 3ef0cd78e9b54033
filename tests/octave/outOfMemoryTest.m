function outOfMemoryTest()
%OUTOFMEMORYTEST Run under a small address-space limit (ulimit -v, see the CTest
%   registration): the host arrays fit, the scan's working storage does not. The
%   call must end with pairseek:fringeScan:outOfMemory, and the session go on.
%   The same for the whole pipeline (pairMatte, on its threads), whose message
%   names the image's size.
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

  trimap = repmat(uint8(128), side, side);
  trimap(:, 1:10) = 255;
  trimap(:, end - 9:end) = 0;
  image = zeros(side, side, 3, 'uint8');
  raised = '';
  message = '';
  try
    alpha = pairMatte(image, trimap);
  catch err
    raised = err.identifier;
    message = err.message;
  end
  assert(strcmp(raised, 'pairseek:pairMatte:outOfMemory'), 'pairMatte raised "%s"', raised);
  assert(~isempty(strfind(message, '4000x4000')), 'the message "%s" names no size', message);
  clear image trimap
  alpha = pairMatte(zeros(3, 3, 3), uint8([255 128 0; 255 128 0; 255 128 0]), 'Refine', false);
  assert(isequal(size(alpha), [3 3]));
  fprintf('outOfMemoryTest: pairMatte raised %s (%s) and the session went on\n', raised, message);
end
